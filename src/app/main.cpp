// ravo-monitor: the desktop monitor of the receiver.
#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "app/DemoReceiver.h"
#include "app/Mainscreen.h"
#include "app/ReplayPlayer.h"
#include "common/Platform.h"
#include "app/SerialControls.h"
#include "common/Clock.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "serial/Connection.h"
#include "serial/PortTable.h"
#include "serial/qt/QtSerialPort.h"
#include "serial/qt/ReopenSignal.h"
#include "serial/qt/StopSignals.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("ravo-monitor");
    QApplication::setApplicationVersion("29");

    QCommandLineParser parser;
    parser.setApplicationDescription("Monitor and configure a meter-reading radio receiver on a serial port.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"demo", "Monitor a simulated receiver (listed as port 1, connected at start)."});
    parser.addOption({"port", "List DEVICE as a serial port ahead of the system's ports; may repeat.", "DEVICE"});
    parser.addOption({"connect", "Connect to port 1 (the first device named) at start."});
    parser.addOption({"screenshot", "Save a picture of the main window to FILE (PNG) and quit.", "FILE"});
    parser.addOption({"echo", "Write every receiver-monitor append to FILE (what was cut from the line).", "FILE"});
    parser.addOption({"screenshot-after", "Seconds to wait before the screenshot (3).", "SECONDS", "3"});
    parser.addOption({"record", "Record what is received, and the operator's actions, as a capture in FILE.", "FILE"});
    parser.addOption({"replay", "Play the capture FILE into the window as if it arrived live.", "FILE"});
    parser.addOption(
        {"speed", "With --replay: the recorded pace times X, or max: as fast as it goes (1).", "X|max", "1"});
    parser.process(app);

    // A capture to replay is read and checked whole before the window opens.
    std::vector<ravo::CaptureLine> replayLines;
    double replaySpeed = 1;
    if (parser.isSet("replay")) {
        const std::string path = parser.value("replay").toStdString();
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "ravo-monitor: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
            return 2;
        }
        if (const auto bad = ravo::loadCapture(in, replayLines)) {
            std::fprintf(stderr, "ravo-monitor: %s:%zu: %s\n", path.c_str(), bad->line, bad->reason.c_str());
            return 2;
        }
        bool ok = parser.value("speed") == "max";
        if (ok) replaySpeed = 0;
        else replaySpeed = parser.value("speed").toDouble(&ok);
        if (!ok || replaySpeed < 0 || (replaySpeed == 0 && parser.value("speed") != "max")) {
            std::fprintf(stderr, "ravo-monitor: --speed wants a number above 0 or max\n");
            return 2;
        }
    } else if (parser.isSet("speed")) {
        std::fprintf(stderr, "ravo-monitor: --speed needs --replay\n");
        return 2;
    }

    double screenshotAfter = 0;
    if (parser.isSet("screenshot")) {
        bool ok = false;
        screenshotAfter = parser.value("screenshot-after").toDouble(&ok);
        if (!ok || screenshotAfter < 0) {
            std::fprintf(stderr, "ravo-monitor: --screenshot-after wants a number of seconds\n");
            return 2;
        }
    }

    std::unique_ptr<ravo::app::DemoReceiver> demo;
    std::vector<std::string> named;
    if (parser.isSet("demo")) {
        try {
            demo = std::make_unique<ravo::app::DemoReceiver>(29);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "ravo-monitor: %s\n", e.what());
            return 1;
        }
        named.push_back(demo->devicePath());
    }
    for (const QString& d : parser.values("port")) named.push_back(d.toStdString());

    // The receiver monitor's pane keeps only its newest part; the echo file keeps all of it.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> echo(nullptr, &std::fclose);
    if (parser.isSet("echo")) {
        const std::string path = parser.value("echo").toStdString();
        echo.reset(std::fopen(path.c_str(), "wb"));
        if (!echo) {
            std::fprintf(stderr, "ravo-monitor: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
            return 2;
        }
    }

    // The receiver reads the time through the recorder (which notes the decoder's
    // reads while recording); in a replay the time is the capture's.
    ravo::SystemClock systemClock;
    ravo::ReplayClock replayClock;
    ravo::Recorder recorder(parser.isSet("replay") ? static_cast<const ravo::Clock&>(replayClock) : systemClock);
    ravo::DiskFileSystem files;
    const std::string logFolder = ravo::defaultLogFolder();
    ravo::Receiver rx(recorder.clock(), files, ravo::ReceiverSettings{logFolder, ravo::localeDecimalSeparator()});
    ravo::QtSerialPort port;
    ravo::Connection connection(rx, port, ravo::PortTable(named, ravo::listedSerialDevices()));

    if (echo) {
        rx.screen.addListener([&echo](const ravo::ModelChange& c) {
            if (c.kind == ravo::ModelChange::Kind::MonitorAppend && echo)
                std::fwrite(c.text.data(), 1, c.text.size(), echo.get());
        });
    }

    ravo::app::Mainscreen window(rx, connection, port);
    window.attachRecorder(recorder);
    window.startUp(files, logFolder);
    if (parser.isSet("record")) {
        std::string error;
        if (!window.startRecording(parser.value("record").toStdString(), error)) {
            std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
            return 2;
        }
    }
    window.show();

    // A kill loses at most the last second of the echo and the recording.
    QTimer flush;
    QObject::connect(&flush, &QTimer::timeout, [&] {
        recorder.flush();
        if (echo) std::fflush(echo.get());
    });
    flush.start(1000);

    // SIGHUP: the echo and the recording are closed and opened again (logrotate).
    const ravo::ReopenSignal hangup([&] {
        if (parser.isSet("echo")) {
            const std::string path = parser.value("echo").toStdString();
            echo.reset(std::fopen(path.c_str(), "ab"));
            if (!echo) std::fprintf(stderr, "ravo-monitor: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        }
        std::string error;
        if (!recorder.reopen(error)) std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
    });

    std::unique_ptr<ravo::app::ReplayPlayer> player;
    if (parser.isSet("replay")) {
        player = std::make_unique<ravo::app::ReplayPlayer>(rx, replayClock, std::move(replayLines), replaySpeed);
        player->beforeDecoding = [&recorder] { recorder.beginDecoding(); };
        player->afterDecoding = [&recorder] { recorder.endDecoding(); };
        player->start();
    }

    if (demo || parser.isSet("connect")) {
        // Show decoding at once: choose port 1 (the simulated receiver) and connect.
        const QString entry = QString::fromStdString(connection.table().entry(1));
        ravo::app::SerialControls& serial = window.serialControls();
        const int index = serial.portList()->findText(entry);
        if (index >= 0) {
            serial.choosePort(index);
            serial.connectButton()->click();
        }
    }

    // Stopped by a signal, the window closes as if the operator had closed it.
    const ravo::StopSignals stop([&window] {
        window.close();
        QApplication::quit();
    });

    if (parser.isSet("screenshot")) {
        const QString file = parser.value("screenshot");
        QTimer::singleShot(static_cast<int>(screenshotAfter * 1000), &window, [&window, file] {
            window.showPending();
            if (!window.grab().save(file, "PNG")) std::fprintf(stderr, "ravo-monitor: cannot write %s\n", qPrintable(file));
            window.close();
            QApplication::quit();
        });
    }
    const int status = app.exec();
    recorder.stop();
    return status;
}
