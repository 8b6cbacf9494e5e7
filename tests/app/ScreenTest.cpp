// The main window and the profile window as mirrors of the screen model: initial
// texts, typing with its change handling, model writes shown back, the lamps, the
// clock and error boxes, the settings and the profile bars.
#include "ScreenTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>

#include "AppRig.h"
#include "app/BoxEdit.h"
#include "app/Lamp.h"
#include "app/TempProfileWindow.h"
#include "app/Throttle.h"
#include "app/Twips.h"
#include "sim/Encoders.h"

namespace ravo::test {
namespace {

// What a box shows once the window has caught up with the model.
QString textOf(AppRig& rig, const char* name) {
    rig.window.showPending();
    return rig.find<QLineEdit>(name)->text();
}

}  // namespace

void ScreenTest::initialTextsAndCaptions() {
    AppRig rig({});
    QCOMPARE(rig.window.windowTitle(), QString("Ravo Receiver V29"));
    QCOMPARE(textOf(rig, "txttx[0]"), QString("0"));
    QCOMPARE(textOf(rig, "txttempadd[19]"), QString("0"));
    QCOMPARE(textOf(rig, "txtzero[3]"), QString());
    QCOMPARE(textOf(rig, "txtmask"), QString("00:00:00"));
    QCOMPARE(textOf(rig, "txt_errorcount"), QString("0"));
    QCOMPARE(textOf(rig, "txtaddfilter"), QString("0"));
    QCOMPARE(textOf(rig, "txtfilepath"), QString::fromStdString(rig.logFolder));
    QCOMPARE(textOf(rig, "txtpulsefilename"), QString("ravo"));
    QCOMPARE(textOf(rig, "txttempfilename"), QString("ravo"));
    QCOMPARE(textOf(rig, "txtmode"), QString("0"));
    QCOMPARE(textOf(rig, "txtadd8"), QString("0"));
    QCOMPARE(rig.find<QRadioButton>("optvhf")->text(), QString("VHF      153/169 MHz"));
    QCOMPARE(rig.find<QRadioButton>("optuhf")->text(), QString("UHF     434/869 MHz"));
    QVERIFY(rig.find<QRadioButton>("optvhf")->isChecked());
    QVERIFY(rig.find<QRadioButton>("optonefile")->isChecked());
    QVERIFY(!rig.find<QCheckBox>("chklogen")->isChecked());
    QCOMPARE(rig.find<QGroupBox>("frmravomode")->title(), QString("Ravo Receiver Configuration"));
    QCOMPARE(rig.find<QGroupBox>("frmReceiverMonitor")->title(), QString("Receiver Monitor"));
    QCOMPARE(rig.find<QLabel>("lbl_errorcount")->text(), QString("Errors"));
    QCOMPARE(rig.find<QLabel>("lblinstring")->text(), QString("Message Received"));
    QCOMPARE(rig.find<QPushButton>("btClear")->text(), QString("Clear Entries"));
    QCOMPARE(rig.find<QPushButton>("cmdseqadd")->text(), QString("Sequential Address"));
    QCOMPARE(rig.find<QPushButton>("cmdprog8chadd")->text(), QString("Set 8ch Add"));
    // Editable: the address cells, the zero references and the filter; not the readings.
    QVERIFY(!rig.find<QLineEdit>("txttx[5]")->isReadOnly());
    QVERIFY(!rig.find<QLineEdit>("txtzero[5]")->isReadOnly());
    QVERIFY(!rig.find<QLineEdit>("txttempadd[5]")->isReadOnly());
    QVERIFY(rig.find<QLineEdit>("txtcount[5]")->isReadOnly());
    QVERIFY(rig.find<QLineEdit>("txttemp1[5]")->isReadOnly());
    QVERIFY(rig.find<QPlainTextEdit>("txtinstring")->isReadOnly());
    QVERIFY(rig.find<QPlainTextEdit>("txtReceiverMonitor")->isReadOnly());
    // Cells at their design place: row 3 of Value 2 at x = 6720, y = 2400 + 3 x 360.
    const app::Twips tw = app::Twips::of(&rig.window);
    QCOMPARE(rig.find<QLineEdit>("txtzero[3]")->geometry(), tw.rect(6720, 2400 + 3 * 360, 1455, 330));
    QCOMPARE(rig.find<QLineEdit>("txttemp2[19]")->geometry(), tw.rect(14760, 2400 + 19 * 360, 1695, 330));
    QCOMPARE(rig.find<QLineEdit>("txttx[0]")->palette().color(QPalette::Base), QColor(0xFF, 0xC0, 0x80));
    QCOMPARE(rig.find<QLineEdit>("txtzero[0]")->palette().color(QPalette::Base), QColor(0xFF, 0xE0, 0xC0));
    QCOMPARE(rig.find<QLineEdit>("txtemprx[0]")->palette().color(QPalette::Base), QColor(0xC0, 0xFF, 0xC0));
}

void ScreenTest::typingAnAddressClearsItsPulseRow() {
    AppRig rig({});
    ScreenModel& s = rig.screen();
    s.setText(Field::txttx, 2, "100");
    for (Field f : {Field::txtslevel, Field::txtlog, Field::txtcount, Field::txtzero}) s.setText(f, 2, "x");
    s.setText(Field::txtcount, 3, "other row");
    QCOMPARE(textOf(rig, "txtlog[2]"), QString("x"));

    typeInto(rig.find<QLineEdit>("txttx[2]"), "500");
    QCOMPARE(s.text(Field::txttx, 2), std::string("500"));
    QCOMPARE(textOf(rig, "txttx[2]"), QString("500"));
    for (const char* name : {"txtslevel[2]", "txtlog[2]", "txtcount[2]", "txtzero[2]"}) {
        QVERIFY2(textOf(rig, name).isEmpty(), name);
        QVERIFY(s.text(*ScreenModel::parseBoxName(name)).empty());
    }
    QCOMPARE(textOf(rig, "txtcount[3]"), QString("other row"));

    // A zero reference typed into its cell reaches the model without clearing anything.
    typeInto(rig.find<QLineEdit>("txtzero[2]"), "12000");
    QCOMPARE(s.text(Field::txtzero, 2), std::string("12000"));
    QCOMPARE(s.text(Field::txttx, 2), std::string("500"));
}

void ScreenTest::typingAnAddressClearsItsTemperatureRowAndLamp() {
    AppRig rig({});
    ScreenModel& s = rig.screen();
    s.setText(Field::txttempadd, 4, "300");
    s.setText(Field::txttemp1, 4, "21.5");
    s.setLamp(4, true);
    QVERIFY(rig.window.findChild<app::Lamp*>("shp_tempstat[4]")->lit());

    typeInto(rig.find<QLineEdit>("txttempadd[4]"), "7");
    QCOMPARE(s.text(Field::txttempadd, 4), std::string("7"));
    QVERIFY(textOf(rig, "txttemp1[4]").isEmpty());
    QVERIFY(!s.lamp(4));
    QVERIFY(!rig.window.findChild<app::Lamp*>("shp_tempstat[4]")->lit());
}

void ScreenTest::modelWritesAreMirrored() {
    AppRig rig({});
    ScreenModel& s = rig.screen();
    s.setText(Field::txttx, 1, "1234");
    s.setFore(Field::txttx, 1, colour::blue);
    s.setText(Field::txtcount, 1,
              std::string("21.5 \xB0"
                          "C"));
    QCOMPARE(textOf(rig, "txttx[1]"), QString("1234"));
    QCOMPARE(rig.find<QLineEdit>("txttx[1]")->palette().color(QPalette::Text), QColor(0, 0, 255));
    QCOMPARE(textOf(rig, "txtcount[1]"), QString::fromUtf8("21.5 \u00B0C"));  // Latin-1 degree sign

    s.showMessage("Temperature - Address: 1234");
    rig.window.showPending();
    QCOMPARE(rig.find<QPlainTextEdit>("txtinstring")->toPlainText(), QString("Temperature - Address: 1234"));
    typeInto(rig.find<QLineEdit>("txtaddfilter"), "99");  // a filter change empties the message box
    QCOMPARE(s.text(Field::txtaddfilter), std::string("99"));
    rig.window.showPending();
    QVERIFY(rig.find<QPlainTextEdit>("txtinstring")->toPlainText().isEmpty());

    // A character beyond Latin-1 reaches the model as "?" and the box shows what the model holds.
    QLineEdit* prefix = rig.find<QLineEdit>("txtpulsefilename");
    typeInto(prefix, "a");
    QKeyEvent euro(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8("\u20AC"));
    QApplication::sendEvent(prefix, &euro);
    QTest::keyClicks(prefix, "b");
    QCOMPARE(s.text(Field::txtpulsefilename), std::string("a?b"));
    QCOMPARE(textOf(rig, "txtpulsefilename"), QString("a?b"));
}

void ScreenTest::typingKeepsTheCaretAndTheUndoHistory() {
    AppRig rig({});
    QLineEdit* filter = rig.find<QLineEdit>("txtaddfilter");
    typeInto(filter, "12345");
    filter->setCursorPosition(2);
    QTest::keyClicks(filter, "9");
    QCOMPARE(rig.rx.screen().text(Field::txtaddfilter), std::string("129345"));
    rig.window.showPending();
    QCOMPARE(filter->text(), QString("129345"));
    // The model's echo of the typed text is not written back over it.
    QCOMPARE(filter->cursorPosition(), 3);
    QVERIFY(filter->isUndoAvailable());
}

void ScreenTest::monitorPaneShowsItsTailWithTheCaretAtTheEnd() {
    AppRig rig({});
    auto* pane = rig.find<QPlainTextEdit>("txtReceiverMonitor");
    QVERIFY(pane->toPlainText().isEmpty());
    for (int i = 0; i < 40; ++i) rig.screen().appendMonitor("82 00 04 D2 03 00 2B 00 90 AA BB\r\n");
    const std::string& tail = rig.rx.screen().text(Field::txtReceiverMonitor);
    QCOMPARE(tail.size(), size_t(500));
    // The last 500 characters hold 15 CR LF pairs, each shown as one line break.
    rig.window.showPending();
    const QString shown = pane->toPlainText();
    QCOMPARE(shown.size(), qsizetype(485));
    QCOMPARE(shown, QString::fromLatin1(tail.c_str()).replace("\r\n", "\n"));
    QVERIFY(shown.endsWith("AA BB\n"));
    QCOMPARE(pane->textCursor().position(), shown.size());
}

void ScreenTest::aBurstOfChangesIsShownOnceAtItsEnd() {
    AppRig rig({});
    QTest::qWait(2 * app::Throttle::kDefaultIntervalMs);  // the start-up's own changes are shown
    auto* pane = rig.find<QPlainTextEdit>("txtReceiverMonitor");
    QLineEdit* count = rig.find<QLineEdit>("txtcount[7]");
    int paneChanges = 0;
    QObject::connect(pane, &QPlainTextEdit::textChanged, [&] { ++paneChanges; });

    // A single change after a quiet spell is shown at once.
    rig.screen().appendMonitor("first\r\n");
    rig.screen().setText(Field::txtcount, 7, "1");
    QCOMPARE(pane->toPlainText(), QString("first\n"));
    QCOMPARE(count->text(), QString("1"));

    // A burst right after it is held back, then shown as the model's last state.
    for (int i = 2; i <= 300; ++i) {
        rig.screen().appendMonitor("x\r\n");
        rig.screen().setText(Field::txtcount, 7, std::to_string(i));
    }
    QCOMPARE(count->text(), QString("1"));
    QTRY_COMPARE(count->text(), QString("300"));
    QTRY_VERIFY(pane->toPlainText().endsWith("x\nx\n"));
    QCOMPARE(pane->toPlainText(),
             QString::fromLatin1(rig.rx.screen().text(Field::txtReceiverMonitor).c_str()).replace("\r\n", "\n"));
    QVERIFY2(paneChanges <= 4, qPrintable(QString::number(paneChanges)));
}

void ScreenTest::clockClickClearsTheAddresses() {
    AppRig rig({});
    ScreenModel& s = rig.screen();
    s.setText(Field::txttx, 0, "100");
    s.setFore(Field::txttx, 0, colour::blue);
    s.setText(Field::txttempadd, 5, "300");
    s.setText(Field::txtemprx, 5, "12:00:00");
    QTest::mouseClick(rig.find<QLineEdit>("txtmask"), Qt::LeftButton);
    QCOMPARE(textOf(rig, "txttx[0]"), QString("0"));
    QCOMPARE(rig.find<QLineEdit>("txttx[0]")->palette().color(QPalette::Text), QColor(Qt::black));
    QCOMPARE(textOf(rig, "txttempadd[5]"), QString("0"));
    QVERIFY(textOf(rig, "txtemprx[5]").isEmpty());
}

void ScreenTest::errorCountDoubleClickResetsIt() {
    AppRig rig({});
    rig.state().errorCount = 3;
    rig.screen().setText(Field::txt_errorcount, "3");
    QCOMPARE(textOf(rig, "txt_errorcount"), QString("3"));
    QTest::mouseDClick(rig.find<QLineEdit>("txt_errorcount"), Qt::LeftButton);
    QCOMPARE(textOf(rig, "txt_errorcount"), QString("0"));
    QCOMPARE(rig.rx.state().errorCount, std::uint64_t(0));
}

void ScreenTest::settingsFollowTheModel() {
    AppRig rig({});
    QTest::mouseClick(rig.find<QCheckBox>("chklogen"), Qt::LeftButton);
    QVERIFY(rig.rx.screen().loggingEnabled());
    QTest::mouseClick(rig.find<QRadioButton>("optsepfiles"), Qt::LeftButton);
    QVERIFY(rig.rx.screen().separateFiles());
    QTest::mouseClick(rig.find<QRadioButton>("optuhf"), Qt::LeftButton);
    QVERIFY(!rig.rx.state().vhfBand);

    rig.rx.click("chklogen");  // a click through the model shows on the box too
    QVERIFY(!rig.find<QCheckBox>("chklogen")->isChecked());
    rig.rx.selectBand(true);
    QVERIFY(rig.find<QRadioButton>("optvhf")->isChecked());
    QVERIFY(!rig.find<QRadioButton>("optuhf")->isChecked());
    rig.rx.click("optonefile");
    QVERIFY(rig.find<QRadioButton>("optonefile")->isChecked());
}

void ScreenTest::contentReachesTheConfigurationFrame() {
    AppRig rig({});
    const app::Twips tw = app::Twips::of(&rig.window);
    QWidget* frame = rig.find<QWidget>("frmravomode");
    QCOMPARE(frame->geometry().left(), tw.px(17640));
    QVERIFY(rig.window.contentSize().width() >= tw.px(22335));
    QVERIFY(rig.window.contentSize().width() > rig.window.designSize().width());
    // Whatever the window's size, the scroll area brings the frame into view.
    rig.window.resize(rig.window.designSize() / 2);
    rig.window.scrollArea()->ensureWidgetVisible(rig.find<QWidget>("cmdprog8chadd"));
    QTRY_VERIFY(rig.window.scrollArea()->horizontalScrollBar()->value() > 0);
}

void ScreenTest::profileWindowSamplesIntoBars() {
    AppRig rig({});
    app::TempProfileWindow& profile = rig.window.profileWindow();
    QVERIFY(!profile.isVisible());
    rig.screen().setText(Field::txttempadd, 2, "1234");

    QTest::mouseDClick(rig.find<QLineEdit>("txttempadd[2]"), Qt::LeftButton);
    QVERIFY(profile.isVisible());
    QCOMPARE(profile.windowTitle(), QString("Temperature Profile"));
    QCOMPARE(rig.rx.state().profileAddress, std::int64_t(1234));
    QCOMPARE(profile.findChild<QLineEdit*>("txt_temptx")->text(), QString("1234"));
    QCOMPARE(profile.findChild<QLineEdit*>("txt_update")->text(), QString("2"));
    QVERIFY(profile.samplingTimer().isActive());
    QCOMPARE(profile.samplingTimer().interval(), 2000);
    QCOMPARE(profile.findChild<QLabel*>("lbl_temp[6]")->text(), QString("70degC"));
    QCOMPARE(profile.findChild<QLabel*>("lbl_proftime[0]")->text(), QString("1"));
    QCOMPARE(profile.findChild<QLabel*>("lbl_proftime[6]")->text(), QString("60"));

    typeInto(profile.findChild<QLineEdit*>("txt_profiletemp"), "21.5");
    typeInto(profile.findChild<QLineEdit*>("txt_update"), "0.05");
    QCOMPARE(profile.samplingTimer().interval(), 50);
    QTRY_COMPARE(rig.rx.profile().barWidth(2), 3225.0);
    const app::Twips tw = app::Twips::of(&profile);
    QCOMPARE(profile.barRect(0), tw.rect(1200, 7440, 3225, 105));
    QCOMPARE(profile.barRect(2), tw.rect(1200, 7440 - 240, 3225, 105));

    // A negative temperature is drawn as a bar of no length.
    typeInto(profile.findChild<QLineEdit*>("txt_profiletemp"), "-5");
    QTRY_VERIFY(rig.rx.profile().barWidth(0) < 0);
    QCOMPARE(profile.barRect(0).width(), 0);

    // An empty period stops the sampling.
    typeInto(profile.findChild<QLineEdit*>("txt_update"), "");
    QVERIFY(!profile.samplingTimer().isActive());

    QTest::mouseClick(profile.findChild<QPushButton*>("cmd_exit"), Qt::LeftButton);
    QVERIFY(!profile.isVisible());
    QVERIFY(!rig.rx.profile().loaded());
    QCOMPARE(profile.barRect(2).width(), 0);
}

void ScreenTest::profileWindowLoadedHiddenByTheFeedKeepsSampling() {
    AppRig rig({});
    app::TempProfileWindow& profile = rig.window.profileWindow();
    // Address 0 is profiled before any double-click: its reading loads the window hidden.
    rig.profile().feed(0, 30);
    QVERIFY(rig.rx.profile().loaded());
    QVERIFY(!profile.isVisible());
    QVERIFY(profile.samplingTimer().isActive());
    QCOMPARE(profile.findChild<QLineEdit*>("txt_profiletemp")->text(), QString("30"));

    rig.screen().setText(Field::txt_update, "0.02");
    QTRY_COMPARE(rig.rx.profile().barWidth(0), 4500.0);
    QVERIFY(!profile.isVisible());
    QTest::mouseDClick(rig.find<QLineEdit>("txttempadd[0]"), Qt::LeftButton);
    QVERIFY(profile.isVisible());
    QCOMPARE(rig.rx.profile().barWidth(0), 4500.0);  // the bars gathered meanwhile stay
}

}  // namespace ravo::test
