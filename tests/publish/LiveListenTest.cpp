// ravo-cli listen --mqtt on a pseudo-terminal, against a broker of the test's own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <thread>

#include "publish/Broker.h"
#include "sim/Encoders.h"
#include "sim/Pty.h"

#ifdef RAVO_CLI

namespace ravo {
namespace {

using namespace std::chrono_literals;
using test::lastIs;

// Each transmitter once, in the order first heard on live/readings (QoS 1 may repeat one).
std::vector<int> firstHeard(const test::HeardList& heard) {
    std::vector<int> seen;
    for (const test::Heard& h : heard) {
        if (h.topic != "live/readings") continue;
        const int n = nlohmann::json::parse(h.payload).at("address").get<int>() - 20000;
        if (std::find(seen.begin(), seen.end(), n) == seen.end()) seen.push_back(n);
    }
    return seen;
}

// A broker restart in the middle of a live run loses nothing and keeps the order;
// the program killed, the broker says "offline" for it.
TEST(MqttListen, BrokerRestartThenKill) {
    if (test::mosquittoProgram().empty()) GTEST_SKIP() << "mosquitto is not installed";
    // The broker keeps the subscriber's session across its restart, so that what
    // is heard depends on the program alone, not on who reconnects first.
    test::Broker broker(/*persistent=*/true);
    ASSERT_TRUE(broker.start());
    test::Subscriber sub(broker.port(), "live/#", "ravo-test-subscriber");
    ASSERT_TRUE(sub.ok());
    sim::Pty pty;
    const std::string log = ::testing::TempDir() + "listen-mqtt-" + std::to_string(getpid()) + ".log";
    const pid_t pid = test::spawn({RAVO_CLI, "listen", "--port", pty.devicePath(), "--band", "uhf", "--mqtt",
                                   "mqtt://127.0.0.1:" + std::to_string(broker.port()) + "/live"},
                                  log);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(sub.waitFor(lastIs("live/status", "online")));
    // The program has the port open once it asks the receiver for its traffic.
    std::string asked;
    for (int i = 0; i < 100 && asked.find("MONITOR 1") == std::string::npos; ++i) asked += pty.read(100);
    ASSERT_NE(asked.find("MONITOR 1"), std::string::npos) << asked;

    constexpr int kFrames = 300;
    size_t heardBefore = 0;
    for (int n = 0; n < kFrames; ++n) {
        if (n == kFrames / 3) {  // frames keep coming while the program has no broker
            heardBefore = sub.on("live/readings").size();
            broker.stop();
            ASSERT_TRUE(broker.start());
        }
        // A temperature frame of a transmitter of its own: no frame is a repeat.
        pty.write(
            sim::binaryFrame(sim::makeBody(0x82, 20000 + static_cast<std::uint32_t>(n), 0x13, {0, 0x2B, 0, 0x29})));
        std::this_thread::sleep_for(5ms);
    }
    sub.waitFor([&](const test::HeardList& h) { return firstHeard(h).size() >= kFrames; }, 20s);
    std::vector<int> expected(kFrames);
    for (int n = 0; n < kFrames; ++n) expected[static_cast<size_t>(n)] = n;
    EXPECT_EQ(firstHeard(sub.on("")), expected);
    EXPECT_GT(heardBefore, 0u);
    EXPECT_LT(heardBefore, static_cast<size_t>(kFrames));
    ASSERT_TRUE(lastIs("live/status", "online")(sub.on("")));

    kill(pid, SIGKILL);
    test::waitExit(pid, 5s);
    EXPECT_TRUE(sub.waitFor(lastIs("live/status", "offline")));
    test::Subscriber late(broker.port(), "live/status");
    ASSERT_TRUE(late.waitFor(lastIs("live/status", "offline")));
    EXPECT_TRUE(late.on("live/status").back().retained);
}

}  // namespace
}  // namespace ravo

#endif
