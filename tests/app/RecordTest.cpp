// The window replays a capture and records it, with what the operator types; the
// recording replays to the same messages. The Record button sits on no other control.
#include "RecordTest.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <sstream>

#include "AppRig.h"
#include "app/ReplayPlayer.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"

namespace ravo::test {

void RecordTest::aReplayAndTheOperatorAreRecordedAsTheyHappened() {
    QTemporaryDir dir;
    const std::string folder = tempFolder(dir);
    ReplayClock clock;
    Recorder recorder;
    NoFileSystem files;
    Receiver rx(clock.now(), files, ReceiverSettings{folder, '.'});
    QtSerialPort port;
    Connection connection(rx, port, PortTable({}, {}));
    app::Mainscreen window(rx, clock, connection, port);
    window.attachRecorder(recorder);
    window.show();
    std::string shown;
    rx.observeScreen([&](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Message) shown.append(c.text).append("\n");
    });

    QPushButton* record = window.recordButton();
    for (QWidget* other : record->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (other != record)
            QVERIFY2(!other->geometry().intersects(record->geometry()), qPrintable(other->objectName()));

    const std::string path = dir.path().toStdString() + "/recorded.txt";
    std::string error;
    QVERIFY(window.startRecording(path, error));
    QVERIFY(record->isChecked());

    std::istringstream capture(
        "@2026-12-07 12:00:00.500\n82 00 04 D2 10 00 00 00 05 A9 4D\n+1.25\n"
        "\"820004D3100000000700\\r\\n\\xFF\\xFF\"\n!set txtaddfilter 1235\n@2026-12-07 12:00:03\n"
        "82 00 04 D3 10 00 00 00 09 DF 2A 82 00 04 D2 10 00 00 00 0B 79 8E\n");
    std::vector<CaptureLine> lines;
    QVERIFY(!loadCapture(capture, lines));
    app::ReplayPlayer player(rx, clock, std::move(lines), 0);
    player.beforeDecoding = [&] { recorder.beginDecoding(); };
    player.afterDecoding = [&] { recorder.endDecoding(); };
    bool done = false;
    player.onFinished = [&] { done = true; };
    player.start();
    QTRY_VERIFY(done);
    QCOMPARE(rx.screen().text(Field::txtaddfilter), std::string("1235"));

    // The operator types a filter and stops the recording.
    typeInto(window.findChild<QLineEdit*>("txtaddfilter"), "0");
    record->click();
    QVERIFY(!recorder.recording());

    std::ifstream in(path, std::ios::binary);
    const std::string recorded((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    QVERIFY2(recorded.find("!set txtaddfilter 1235\n") != std::string::npos, recorded.c_str());
    QVERIFY2(recorded.find("!set txtaddfilter 0\n") != std::string::npos, recorded.c_str());

    ReplayClock again;
    Receiver replayed(again.now(), files, ReceiverSettings{folder, '.'});
    std::string replayedShown;
    replayed.observeScreen([&](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Message) replayedShown.append(c.text).append("\n");
    });
    std::istringstream back(recorded);
    QVERIFY(!replayCapture(back, replayed, again));
    QVERIFY(!shown.empty());
    QCOMPARE(replayedShown, shown);
}

}  // namespace ravo::test
