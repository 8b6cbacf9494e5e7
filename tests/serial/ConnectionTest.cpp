#include <gtest/gtest.h>

#include "TestSupport.h"
#include "serial/Connection.h"

namespace ravo {
namespace {

// A port whose devices and outcomes a test sets; records what is written where.
class ScriptedPort : public SerialPort {
public:
    std::map<std::string, OpenOutcome> outcomes;  // devices not named here do not exist
    std::vector<std::pair<std::string, std::string>> writes;
    std::string openDevice, openSettings;
    bool open_ = false;

    OpenOutcome open(const std::string& device, const std::string& settings) override {
        if (open_) return OpenOutcome::Busy;
        auto it = outcomes.find(device);
        const OpenOutcome o = it == outcomes.end() ? OpenOutcome::InvalidPort : it->second;
        if (o == OpenOutcome::Ok) {
            open_ = true;
            openDevice = device;
            openSettings = settings;
        }
        return o;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    bool write(std::string_view bytes) override {
        if (!open_) return false;
        writes.emplace_back(openDevice, std::string(bytes));
        return true;
    }
};

struct ConnectionTest : ::testing::Test {
    test::Rig rig;
    ScriptedPort port;
    PortTable table{{}, {"/dev/a", "/dev/b", "/dev/c"}};
    std::unique_ptr<Connection> link;
    void SetUp() override {
        port.outcomes = {{"/dev/a", OpenOutcome::Ok}, {"/dev/c", OpenOutcome::Ok}};
        link = std::make_unique<Connection>(rig.rx, port, table);
    }
    int writesTo(const std::string& device, const std::string& bytes) const {
        int n = 0;
        for (auto& [d, b] : port.writes) n += d == device && b == bytes;
        return n;
    }
};

TEST_F(ConnectionTest, StartUpProbesTwiceListsAndCreatesTheFolder) {
    rig.fs.folders.clear();
    link->startUp(rig.fs, "/home/op/logger/", rig.clock.now());
    EXPECT_EQ(writesTo("/dev/a", "\rMONITOR 1\r"), 2);
    EXPECT_EQ(writesTo("/dev/c", "\rMONITOR 1\r"), 2);
    EXPECT_EQ(port.writes.size(), 4u);
    EXPECT_EQ(link->portList(), (std::vector<std::string>{"COM 1 (/dev/a)", "COM 3 (/dev/c)"}));
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(link->portNumber(), 255);
    EXPECT_TRUE(rig.fs.folderExists("/home/op/logger/"));
    EXPECT_TRUE(rig.rx.state().vhfBand);
    EXPECT_EQ(link->caption(), "Connect");
}

TEST_F(ConnectionTest, DevicesTheUserMayNotOpenAreReportedNotListed) {
    port.outcomes["/dev/b"] = OpenOutcome::PermissionDenied;
    link->startUp(rig.fs, "/logs/", rig.clock.now());
    EXPECT_EQ(link->portList(), (std::vector<std::string>{"COM 1 (/dev/a)", "COM 3 (/dev/c)"}));
    EXPECT_EQ(
        link->refusedTexts(),
        std::vector<std::string>{"Permission denied for /dev/b. Add your user to the dialout group and log in again."});
    // Once the user may open it, a refresh lists it and the report is gone.
    port.outcomes["/dev/b"] = OpenOutcome::Ok;
    link->refreshPorts();
    EXPECT_EQ(link->portList().size(), 3u);
    EXPECT_TRUE(link->refusedTexts().empty());
}

TEST_F(ConnectionTest, ConnectWithoutSelectingAPort) {
    link->startUp(rig.fs, "/logs/", rig.clock.now());
    link->connectClicked();
    ASSERT_EQ(rig.rx.pendingErrors().size(), 1u);
    EXPECT_EQ(rig.rx.pendingErrors().front(), "Please select a port.");
    EXPECT_FALSE(link->connected());
}

TEST_F(ConnectionTest, SelectConnectDisconnect) {
    link->startUp(rig.fs, "/logs/", rig.clock.now());
    link->chooseBaud(115200);
    link->selectEntry("COM 3 (/dev/c)");
    EXPECT_EQ(link->portNumber(), 3);
    link->connectClicked();
    EXPECT_TRUE(link->connected());
    EXPECT_EQ(link->caption(), "Disconnect");
    EXPECT_EQ(port.openSettings, "115200,n,8,1");
    link->chooseBaud(4800);
    EXPECT_EQ(link->settings(), "115200,n,8,1") << "the baud options are disabled while connected";
    // Received bytes reach the buffer; a disconnect throws them away.
    port.onData(test::bytes({0x82, 0x00, 0x01}));
    rig.state().textLineMode = true;
    EXPECT_EQ(rig.rx.state().receiveBuffer.size(), 3u);
    link->connectClicked();
    EXPECT_FALSE(link->connected());
    EXPECT_TRUE(rig.rx.state().receiveBuffer.empty());
    EXPECT_FALSE(rig.rx.state().textLineMode);
    EXPECT_FALSE(port.isOpen());
}

TEST_F(ConnectionTest, BusyAndPermissionFailuresAreToldApart) {
    port.outcomes["/dev/b"] = OpenOutcome::Busy;
    link->selectEntry("COM 2 (/dev/b)");
    link->connectClicked();
    port.outcomes["/dev/b"] = OpenOutcome::PermissionDenied;
    link->connectClicked();
    port.outcomes["/dev/b"] = OpenOutcome::OtherFailure;
    link->connectClicked();
    ASSERT_EQ(rig.rx.pendingErrors().size(), 2u);
    EXPECT_EQ(rig.rx.pendingErrors()[0],
              "The selected port is busy. Close any application using this port or select another.");
    EXPECT_EQ(rig.rx.pendingErrors()[1],
              "Permission denied for /dev/b. Add your user to the dialout group and log in again.");
    EXPECT_FALSE(link->connected());
}

TEST_F(ConnectionTest, SelectingCom12SetsPort12) {
    link->selectEntry("COM 12 (/dev/ttyS11)");
    EXPECT_EQ(link->portNumber(), 12);
    link->selectEntry("COM 123 (/dev/x)");
    EXPECT_EQ(link->portNumber(), 123);
}

TEST_F(ConnectionTest, LostPortReturnsToDisconnectedOnce) {
    link->selectEntry("COM 1 (/dev/a)");
    link->connectClicked();
    port.open_ = false;
    port.onFailure();
    port.onFailure();  // a failing device may report again
    EXPECT_FALSE(link->connected());
    ASSERT_EQ(rig.rx.pendingErrors().size(), 1u);
    EXPECT_EQ(rig.rx.pendingErrors().front(), "The connection to the receiver was lost.");
}

TEST_F(ConnectionTest, MonitorOffOnlyWhenConnected) {
    link->shutDown();
    EXPECT_TRUE(port.writes.empty());
    link->selectEntry("COM 1 (/dev/a)");
    link->connectClicked();
    link->shutDown();
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes.back().second, "MONITOR 0\r");
}

TEST_F(ConnectionTest, CommandsNeedAnOpenPortAndAnEncodableValue) {
    link->setModeClicked();
    EXPECT_EQ(rig.rx.pendingErrors().size(), 1u);
    EXPECT_TRUE(port.writes.empty());
    link->selectEntry("COM 1 (/dev/a)");
    link->connectClicked();
    rig.rx.type({Field::txtmode}, "999");
    link->setModeClicked();
    EXPECT_EQ(rig.rx.pendingErrors().size(), 2u);
    EXPECT_TRUE(port.writes.empty());
    rig.rx.type({Field::txtmode}, "1");
    link->setModeClicked();
    ASSERT_EQ(port.writes.size(), 1u);
    EXPECT_EQ(port.writes.back().second, test::bytes({0x41, 0x54, 0x3D, 0x01, 0x84, 0x98}));
    link->setAddressesClicked(8);
    EXPECT_EQ(port.writes.back().second.size(), 28u);
}

TEST(PortTableTest, NamedDevicesFirstThenListedSorted) {
    const PortTable t({"/dev/pts/7"}, {"/dev/ttyUSB1", "/dev/ttyS0", "/dev/pts/7"});
    EXPECT_EQ(t.size(), 3);
    EXPECT_EQ(t.device(1), "/dev/pts/7");
    EXPECT_EQ(t.device(2), "/dev/ttyS0");
    EXPECT_EQ(t.device(3), "/dev/ttyUSB1");
    EXPECT_EQ(t.device(4), "");
    EXPECT_EQ(t.device(0), "");
    EXPECT_EQ(t.entry(1), "COM 1 (/dev/pts/7)");
    EXPECT_EQ(portNumberOfEntry(t.entry(3)), 3);
}

}  // namespace
}  // namespace ravo
