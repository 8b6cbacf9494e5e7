// What a newcomer meets first: long texts readable whole, the port list kept up to
// date by Refresh, and one "Error" box for a locked log while decoding goes on.
#include "OperatorTest.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <memory>

#include "AppRig.h"
#include "app/ErrorMessages.h"
#include "presentation/CsvLog.h"
#include "sim/Encoders.h"

namespace ravo::test {
namespace {

QStringList listed(AppRig& rig) {
    QStringList out;
    auto* ports = rig.find<QComboBox>("cbComPorts");
    for (int i = 0; i < ports->count(); ++i) out << ports->itemText(i);
    return out;
}

QString entry(int n, const sim::Pty& pty) {
    return QString("COM %1 (%2)").arg(n).arg(QString::fromStdString(pty.devicePath()));
}

QList<QMessageBox*> openBoxes() {
    QList<QMessageBox*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) out << box;
    return out;
}

}  // namespace

void OperatorTest::longLinesAreReadWholeAndBoxesShowTheirStart() {
    AppRig rig({});
    auto* message = rig.find<QPlainTextEdit>("txtinstring");
    // The longest lines the decoders write: a humidity line with 15-digit values, a
    // contact line, an F1 leak-noise line and the error line of a long wrapped item.
    const char* const lines[] = {
        "Humidity/Temperature - Address:  16777215  Humidity  64.7141202563008  Temperature =  23.4305880812345 LOW "
        "BATTERY  F/W V 15 - 23:59:59",
        "Contact Tx. - Address:  16777215  Pulse Count =  4294967295  CH1 OPEN   CH2 CLOSED LOW BATTERY  F/W rev :  15 "
        "- "
        "12:00:00",
        "Nivaro+ - Address:  16777215  S/N:  16777215  Leak: YES  Level =  65535  Spread =  65535  F/W V 15 - 12:00:00",
        "$7B,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FF,$FFFF$FFFF,12:00:00",
    };
    for (const char* line : lines) {
        rig.screen().showMessage(line);
        rig.window.showPending();
        QCOMPARE(message->toPlainText(), QString::fromLatin1(line));
        QVERIFY2(message->verticalScrollBar()->maximum() == 0, line);  // all of it in view, time included
    }

    // A grid cell whose text is wider than the cell shows the text's start.
    QLineEdit* serial = rig.find<QLineEdit>("txtzero[3]");
    rig.screen().setText(Field::txtzero, 3, "S/N:  103062 and some more text than fits");
    rig.window.showPending();
    QCOMPARE(serial->cursorPosition(), 0);
}

void OperatorTest::refreshOffersNewPortsAndDropsVanishedOnes() {
    auto first = std::make_unique<sim::Pty>();
    sim::Pty second;
    AppRig rig({first->devicePath()});
    std::vector<std::string> system;  // what the system lists now
    rig.connection.listDevices = [&system] { return system; };
    rig.startUp();
    (void)readReceiver(*first, 22, 2000);
    QCOMPARE(listed(rig), QStringList{entry(1, *first)});

    // A receiver plugged in after start-up is woken as at start-up and listed.
    system = {second.devicePath()};
    QTest::mouseClick(rig.find<QPushButton>("btRefresh"), Qt::LeftButton);
    const std::string on = "\rMONITOR 1\r";
    QCOMPARE(readReceiver(second, 2 * on.size(), 2000), on + on);
    QCOMPARE(listed(rig), (QStringList{entry(1, *first), entry(2, second)}));

    // One that vanished is no longer offered; the other keeps its number.
    first.reset();
    QTest::mouseClick(rig.find<QPushButton>("btRefresh"), Qt::LeftButton);
    QCOMPARE(listed(rig), QStringList{entry(2, second)});

    // While connected the list cannot be refreshed.
    auto* ports = rig.find<QComboBox>("cbComPorts");
    ports->setCurrentIndex(0);
    emit ports->activated(0);
    QTest::mouseClick(rig.find<QPushButton>("btConnect"), Qt::LeftButton);
    QVERIFY(rig.connection.connected());
    QVERIFY(!rig.find<QPushButton>("btRefresh")->isEnabled());
}

void OperatorTest::aLockedLogGivesOneBoxWhileDecodingGoesOn() {
    AppRig rig({});
    rig.window.setMessageHook(nullptr);  // real boxes
    QVERIFY(QDir().mkpath(QString::fromStdString(rig.logFolder)));
    rig.screen().setText(Field::txtfilepath, rig.logFolder);
    rig.rx.setLogging(true, rig.rx.screen().text(Field::txtfilepath));
    const QString log =
        QString::fromStdString(rig.logFolder) + "ravo" + QDate::currentDate().toString("ddMMyyyy") + ".csv";
    const int held = ::open(log.toLocal8Bit().constData(), O_RDWR | O_CREAT, 0644);
    QVERIFY(held >= 0 && flock(held, LOCK_EX) == 0);  // another program holds the file

    // Readings of eight transmitters arrive while the file is locked.
    const int count = 8;
    for (int i = 0; i < count; ++i) {
        rig.rx.receive(sim::binaryFrame(sim::makeBody(0x82, 100 + i, 0x03, {0x00, 43, 0x00, 0x90})));
        rig.window.pollTimer().kick();
        QTest::qWait(20);
    }
    // All of them are decoded with the box open, and there is one box that counts them.
    QTRY_VERIFY(rig.find<QPlainTextEdit>("txtinstring")->toPlainText().contains(" 107 "));
    QTRY_COMPARE(openBoxes().size(), 1);
    QMessageBox* box = openBoxes().first();
    QCOMPARE(box->text(), QString::fromLatin1(kLogInaccessible));
    // Raised once for the episode; the box counts the readings that wait.
    QCOMPARE(rig.rx.logBacklog().waiting(), size_t(count));
    QTRY_COMPARE(box->informativeText(), QStringLiteral("Readings waiting to be logged: 8."));
    QCOMPARE(rig.window.errorMessages().timesRaised(), quint64(1));
    rig.window.showPending();
    QVERIFY(!rig.find<QLineEdit>("txtemprx[7]")->text().isEmpty());

    // The file released: the once-a-second retry writes them, and the open box says so.
    ::close(held);
    rig.rx.retryLogs();
    QTRY_COMPARE(box->informativeText(), QStringLiteral("Readings waiting to be logged: 0."));
    box->button(QMessageBox::Ok)->click();
    QTRY_VERIFY(openBoxes().isEmpty());
    // The next reading comes after them and no box comes.
    rig.rx.receive(sim::binaryFrame(sim::makeBody(0x82, 200, 0x03, {0x00, 43, 0x00, 0x90})));
    rig.window.pollTimer().kick();
    QTRY_VERIFY(rig.find<QPlainTextEdit>("txtinstring")->toPlainText().contains(" 200 "));
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray logged = file.readAll();
    qsizetype at = 0;
    for (int address : {100, 101, 102, 103, 104, 105, 106, 107, 200}) {
        const qsizetype next = logged.indexOf(", " + QByteArray::number(address) + ",", at);
        QVERIFY2(next >= at, qPrintable(QString::number(address)));
        at = next;
    }
    QTest::qWait(50);
    QVERIFY(openBoxes().isEmpty());
}

}  // namespace ravo::test
