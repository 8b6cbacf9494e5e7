// From the wire to the screen and the disk: simulated receiver traffic written to
// a pseudo-terminal, the monitor connected to it with logging on.
#include "EndToEndTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

#include "AppRig.h"
#include "sim/Encoders.h"
#include "sim/Simulator.h"

namespace ravo::test {
namespace {

// The rows of every CSV file in the folder.
QStringList csvLines(const std::string& folder) {
    QStringList lines;
    const QDir dir(QString::fromStdString(folder));
    for (const QString& name : dir.entryList({"*.csv"}, QDir::Files)) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::ReadOnly)) lines += QString::fromLatin1(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    }
    return lines;
}

}  // namespace

void EndToEndTest::simulatedTrafficIsDecodedShownAndLogged() {
    sim::Pty pty;
    AppRig rig({pty.devicePath()});
    rig.startUp();
    QVERIFY(QDir(QString::fromStdString(rig.logFolder)).exists());  // the default log folder is made at start-up
    (void)readReceiver(pty, 22, 2000);

    QTest::mouseClick(rig.find<QCheckBox>("chklogen"), Qt::LeftButton);
    QVERIFY(rig.rx.screen().loggingEnabled());
    typeInto(rig.find<QLineEdit>("txtaddfilter"), "1234");
    QComboBox* ports = rig.find<QComboBox>("cbComPorts");
    ports->setCurrentIndex(0);
    emit ports->activated(0);
    QTest::mouseClick(rig.find<QPushButton>("btConnect"), Qt::LeftButton);
    QVERIFY(rig.connection.connected());

    // A site's traffic, with our transmitter's reading in the middle: 21.5 degrees
    // (43 half degrees), signal level 9.
    sim::Simulator site(true, 7, sim::Forms::Binary);
    for (int i = 0; i < 6; ++i) QVERIFY(pty.write(site.next().bytes));
    QVERIFY(pty.write(sim::binaryFrame(sim::makeBody(0x82, 1234, 0x03, {0x00, 43, 0x00, 0x90}))));
    for (int i = 0; i < 6; ++i) QVERIFY(pty.write(site.next().bytes));

    auto* message = rig.find<QPlainTextEdit>("txtinstring");
    QTRY_VERIFY(message->toPlainText().contains("1234"));
    QVERIFY2(message->toPlainText().contains("21.5"), qPrintable(message->toPlainText()));
    QCOMPARE(message->toPlainText(), QString::fromLatin1(rig.rx.screen().text(Field::txtinstring).c_str()));
    QVERIFY(!rig.find<QPlainTextEdit>("txtReceiverMonitor")->toPlainText().isEmpty());

    // Its grid row, and the other transmitters' rows.
    QTRY_VERIFY(rig.rx.state().receiveBuffer.empty());
    int row = -1;
    for (int i = 0; i < kGridRows; ++i)
        if (rig.find<QLineEdit>(QStringLiteral("txttempadd[%1]").arg(i))->text() == "1234") row = i;
    QVERIFY(row >= 0);
    QVERIFY(rig.find<QLineEdit>(QStringLiteral("txttemp1[%1]").arg(row))->text().startsWith("21.5"));
    QVERIFY(rig.find<QLineEdit>("txttx[0]")->text() != "0" || rig.find<QLineEdit>("txttempadd[0]")->text() != "0");

    const QStringList lines = csvLines(rig.logFolder);
    QVERIFY(lines.contains("Time,Tx. No.,Status,S Level,Value 1,Value 2") ||
            lines.contains("Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no."));
    bool logged = false;
    for (const QString& l : lines) logged |= l.contains(", 1234,03h,");
    QVERIFY2(logged, qPrintable(lines.join('\n')));
    QVERIFY(rig.messages.isEmpty());
}

}  // namespace ravo::test
