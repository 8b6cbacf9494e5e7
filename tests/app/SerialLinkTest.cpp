// The serial link through the window: probing at start-up, the port list,
// Connect/Disconnect, the failure messages, a receiver that vanishes, the
// monitor-off at close and the configuration commands, all over real
// pseudo-terminals.
#include "SerialLinkTest.h"

#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>

#include "AppRig.h"
#include "app/BoxEdit.h"
#include "app/SerialControls.h"

namespace ravo::test {
namespace {

const char* const kBaudNames[] = {"opt4800", "opt9600", "opt19k2", "opt38k4", "opt115k2"};

// Chooses the first list entry as the operator does, and presses Connect.
void connectFirst(AppRig& rig) {
    QComboBox* ports = rig.find<QComboBox>("cbComPorts");
    ports->setCurrentIndex(0);
    emit ports->activated(0);
    QTest::mouseClick(rig.find<QPushButton>("btConnect"), Qt::LeftButton);
}

}  // namespace

void SerialLinkTest::startUpWakesEveryOpenablePortTwice() {
    sim::Pty a, b;
    AppRig rig({a.devicePath(), "/dev/ravo-no-such-device", b.devicePath()});
    rig.startUp();
    const std::string on = "\rMONITOR 1\r";
    QCOMPARE(readReceiver(a, 2 * on.size(), 2000), on + on);
    QCOMPARE(readReceiver(b, 2 * on.size(), 2000), on + on);
    // Nothing more: the enumeration opens and closes without writing.
    QCOMPARE(readReceiver(a, 1, 200), std::string());
    QVERIFY(!rig.port.isOpen());
}

void SerialLinkTest::portListShowsTheOpenablePorts() {
    sim::Pty a, b;
    AppRig rig({a.devicePath(), "/dev/ravo-no-such-device", b.devicePath()});
    rig.startUp();
    QComboBox* ports = rig.find<QComboBox>("cbComPorts");
    QCOMPARE(ports->count(), 2);
    QCOMPARE(ports->itemText(0), QString::fromStdString("COM 1 (" + a.devicePath() + ")"));
    QCOMPARE(ports->itemText(1), QString::fromStdString("COM 3 (" + b.devicePath() + ")"));
    QCOMPARE(ports->currentIndex(), -1);  // nothing chosen yet

    emit ports->activated(1);
    QCOMPARE(rig.connection.portNumber(), 3);
}

void SerialLinkTest::connectAndDisconnectChangeCaptionAndControls() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    QPushButton* button = rig.find<QPushButton>("btConnect");
    QComboBox* ports = rig.find<QComboBox>("cbComPorts");
    QCOMPARE(button->text(), QString("Connect"));
    QVERIFY(ports->isEnabled());
    QVERIFY(rig.find<QRadioButton>("opt9600")->isChecked());

    QTest::mouseClick(rig.find<QRadioButton>("opt115k2"), Qt::LeftButton);
    QCOMPARE(rig.connection.settings(), std::string("115200,n,8,1"));

    connectFirst(rig);
    QVERIFY(rig.connection.connected());
    QVERIFY(rig.port.isOpen());
    QCOMPARE(button->text(), QString("Disconnect"));
    QVERIFY(!ports->isEnabled());
    for (const char* name : kBaudNames) QVERIFY2(!rig.find<QRadioButton>(name)->isEnabled(), name);

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!rig.connection.connected());
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(button->text(), QString("Connect"));
    QVERIFY(ports->isEnabled());
    for (const char* name : kBaudNames) QVERIFY2(rig.find<QRadioButton>(name)->isEnabled(), name);
    QVERIFY(rig.find<QRadioButton>("opt115k2")->isChecked());
    QVERIFY(rig.messages.isEmpty());
}

void SerialLinkTest::connectWithoutChoosingAPortAsksForOne() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    QTest::mouseClick(rig.find<QPushButton>("btConnect"), Qt::LeftButton);
    // Shown once the click's handler has returned, not from inside it.
    QVERIFY(rig.messages.isEmpty());
    QTRY_COMPARE(rig.messages, QStringList{"Please select a port."});
    QCOMPARE(rig.find<QPushButton>("btConnect")->text(), QString("Connect"));
    QVERIFY(!rig.connection.connected());
    QVERIFY(rig.rx.pendingErrors().empty());
}

void SerialLinkTest::connectToAPortHeldElsewhereSaysBusy() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    QSerialPort other;
    other.setPortName(QString::fromStdString(pty.devicePath()));
    QVERIFY(other.open(QIODevice::ReadWrite));

    connectFirst(rig);
    QTRY_COMPARE(rig.messages, QStringList{QString::fromLatin1(kPortBusy)});
    QCOMPARE(rig.find<QPushButton>("btConnect")->text(), QString("Connect"));
    QVERIFY(rig.find<QComboBox>("cbComPorts")->isEnabled());
}

void SerialLinkTest::vanishedReceiverDisconnectsWithOneMessage() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    connectFirst(rig);
    QVERIFY(rig.connection.connected());

    pty.closeMaster();
    QTRY_COMPARE(rig.find<QPushButton>("btConnect")->text(), QString("Connect"));
    QTRY_COMPARE(rig.messages.size(), 1);
    QTest::qWait(300);  // no further reports of the dead device
    QCOMPARE(rig.messages, QStringList{QString::fromLatin1(kConnectionLost)});
    QVERIFY(!rig.port.isOpen());
    QVERIFY(rig.find<QComboBox>("cbComPorts")->isEnabled());
}

void SerialLinkTest::closingWhileConnectedSendsMonitorOff() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    (void)readReceiver(pty, 22, 2000);  // the probes
    connectFirst(rig);
    QVERIFY(rig.connection.connected());
    QCOMPARE(readReceiver(pty, 1, 200), std::string());  // Connect sends nothing

    rig.window.close();
    QCOMPARE(readReceiver(pty, 10, 2000), std::string("MONITOR 0\r"));
    QVERIFY(!rig.port.isOpen());
}

void SerialLinkTest::closingWhileDisconnectedSendsNothing() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    (void)readReceiver(pty, 22, 2000);
    connectFirst(rig);
    QTest::mouseClick(rig.find<QPushButton>("btConnect"), Qt::LeftButton);  // and off again
    QVERIFY(!rig.connection.connected());

    rig.window.close();
    QCOMPARE(readReceiver(pty, 1, 400), std::string());
}

void SerialLinkTest::setModeSendsTheModeCommand() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    (void)readReceiver(pty, 22, 2000);
    connectFirst(rig);

    typeInto(rig.find<app::BoxEdit>("txtmode"), "1");
    QCOMPARE(rig.rx.screen().text(Field::txtmode), std::string("1"));
    QTest::mouseClick(rig.find<QPushButton>("cmdprogmode"), Qt::LeftButton);
    QCOMPARE(readReceiver(pty, 6, 2000), bytesOf({0x41, 0x54, 0x3D, 0x01, 0x84, 0x98}));
}

void SerialLinkTest::set3chAddSendsTheFirstThreeAddresses() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    (void)readReceiver(pty, 22, 2000);
    connectFirst(rig);

    typeInto(rig.find<app::BoxEdit>("txtadd1"), "1234");
    typeInto(rig.find<app::BoxEdit>("txtadd4"), "99");  // not part of the 3-address command
    rig.screen().showMessage("an old line");
    QTest::mouseClick(rig.find<QPushButton>("cmdprogadd"), Qt::LeftButton);
    QCOMPARE(readReceiver(pty, 13, 2000),
             bytesOf({0x41, 0x50, 0x00, 0x04, 0xD2, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA7, 0x66}));
    QCOMPARE(rig.rx.screen().text(Field::txtinstring), std::string());  // the command empties the message box
}

void SerialLinkTest::commandWhileDisconnectedIsReported() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    (void)readReceiver(pty, 22, 2000);
    QTest::mouseClick(rig.find<QPushButton>("cmdprogmode"), Qt::LeftButton);
    QTRY_COMPARE(rig.messages, QStringList{QString::fromLatin1(kNotConnected)});
    QCOMPARE(readReceiver(pty, 1, 200), std::string());
}

}  // namespace ravo::test
