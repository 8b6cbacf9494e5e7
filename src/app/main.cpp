// ravo-monitor: the desktop monitor of the receiver.
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>

#include "app/DemoReceiver.h"
#include "app/Mainscreen.h"
#include "app/ReplayPlayer.h"
#include "app/SerialControls.h"
#include "app/TransmittersWindow.h"
#include "common/Clock.h"
#include "common/Platform.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "registry/TransmitterRegistry.h"
#include "serial/Connection.h"
#include "serial/PortTable.h"
#include "serial/qt/QtSerialPort.h"
#include "session/MqttOutput.h"
#include "session/Session.h"
#include "session/qt/SessionCommandLine.h"
#include "session/qt/SessionLoop.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"

namespace {

// The options of the monitor. Help, version and bad options are answered before
// any window exists, so they work without a display.
void addOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription("Monitor and configure a meter-reading radio receiver on a serial port.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"demo", "Monitor a simulated receiver (listed as port 1, connected at start)."});
    parser.addOption({"port", "List DEVICE as a serial port ahead of the system's ports; may repeat.", "DEVICE"});
    parser.addOption({"connect", "Connect to port 1 (the first device named) at start."});
    parser.addOption({"screenshot", "Save a picture of the main window to FILE (PNG) and quit.", "FILE"});
    parser.addOption({"echo", "Write every receiver-monitor append to FILE (what was cut from the line).", "FILE"});
    parser.addOption({"screenshot-after", "Seconds to wait before the screenshot (3).", "SECONDS", "3"});
    parser.addOption({"json-file", "Append every reading and bad frame as a JSON line to FILE.", "FILE"});
    parser.addOption(
        {"screenshot-transmitters", "Save a picture of the Transmitters window to FILE (PNG) and quit.", "FILE"});
    parser.addOption({"silence-after",
                      "Transmitters count as silent after SECONDS without a reading, or three times their own "
                      "median interval (auto, the default).",
                      "SECONDS|auto", "auto"});
    parser.addOption({"record", "Record what is received, and the operator's actions, as a capture in FILE.", "FILE"});
    parser.addOption({"replay", "Play the capture FILE into the window as if it arrived live.", "FILE"});
    parser.addOption(
        {"speed", "With --replay: the recorded pace times X, or max: as fast as it goes (1).", "X|max", "1"});
    ravo::addMqttOptions(parser);
    ravo::addInfluxOptions(parser);
    ravo::addHistoryOptions(parser, true);
    ravo::addHttpOptions(parser);
}

// Parses the command line with a bare core application; returns an exit status
// when there is nothing more to do (help, version, bad options).
std::optional<int> parseCommandLine(int argc, char* argv[], QCommandLineParser& parser) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("ravo-monitor");
    QCoreApplication::setApplicationVersion(RAVO_VERSION);
    addOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "ravo-monitor: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet("help") || parser.isSet("help-all")) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("ravo-monitor %s\n", RAVO_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "ravo-monitor: unexpected argument '%s'\n",
                     qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    return std::nullopt;
}

// Without a display Qt would abort; say what is missing instead.
bool haveDisplay() {
#if defined(Q_OS_LINUX)
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    QCommandLineParser parser;
    if (const auto done = parseCommandLine(argc, argv, parser)) return *done;
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "ravo-monitor: no display (DISPLAY is not set); start it on a desktop, or with "
                     "QT_QPA_PLATFORM=offscreen for a window nobody sees\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("ravo-monitor");
    QApplication::setApplicationVersion(RAVO_VERSION);

    // Everything around the receiver is the session's: the echo, the JSON file, the
    // registry behind the Transmitters window, MQTT and the recorder.
    ravo::SessionOptions options;
    options.program = "ravo-monitor";
    options.source = "ravo-monitor";
    options.keepRegistry = true;
    options.jsonFileFlushEachLine = true;
    options.recorder = true;
    options.silence = ravo::SilencePolicy::parse(parser.value("silence-after").toStdString());
    if (!options.silence) {
        std::fprintf(stderr, "ravo-monitor: --silence-after must be a positive number of seconds or auto\n");
        return 2;
    }
    options.echoPath = parser.value("echo").toStdString();
    options.jsonFilePath = parser.value("json-file").toStdString();
    // A demo or a replay goes into the history only where --history names a file.
    const bool live = !parser.isSet("demo") && !parser.isSet("replay");
    if (std::string error; !ravo::readMqttOptions(parser, options, error) ||
                           !ravo::readInfluxOptions(parser, options, error) ||
                           !ravo::readHistoryOptions(parser, true, live, options, error) ||
                           !ravo::readHttpOptions(parser, options, error)) {
        std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
        return 2;
    }

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
    if (parser.isSet("screenshot") || parser.isSet("screenshot-transmitters")) {
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

    // In a replay the time is the capture's.
    ravo::SystemClock systemClock;
    ravo::ReplayClock replayClock;
    ravo::Session session(parser.isSet("replay") ? static_cast<const ravo::Clock&>(replayClock) : systemClock, options);
    if (std::string error; !session.start(error)) {
        std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
        return 2;
    }
    ravo::Receiver& rx = session.receiver();
    ravo::Recorder& recorder = *session.recorder();
    ravo::QtSerialPort port;
    ravo::Connection connection(rx, port, ravo::PortTable(named, ravo::listedSerialDevices()));
    connection.listDevices = &ravo::listedSerialDevices;

    ravo::app::Mainscreen window(rx, session.clock(), connection, port);
    window.attachRegistry(*session.registry());
    window.transmittersWindow()->setHistoryFile(QString::fromStdString(options.historyPath));
    window.attachRecorder(recorder);
    window.startUp(session.files(), session.logFolder());
    if (parser.isSet("record")) {
        std::string error;
        if (!window.startRecording(parser.value("record").toStdString(), error)) {
            std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
            return 2;
        }
    }

    // With --mqtt or --influx, the status bar shows the connections, why one failed,
    // and the drop counts.
    QTimer outputStatus;
    if (session.mqtt() || !options.influx.url.empty()) {
        auto show = [&window, &session] {
            std::string text;
            if (const ravo::MqttPublisher* mqtt = session.mqtt()) {
                text = ravo::mqttStatusText(*mqtt);
                const std::string why = mqtt->connected() ? std::string() : mqtt->lastError();
                if (!why.empty()) text += " (" + why + ")";
            }
            const std::string influx = session.influxStatus();
            if (!influx.empty()) text += (text.empty() ? "" : "; ") + influx;
            const QString shown = QString::fromStdString(text);
            if (window.statusBar()->currentMessage() != shown) window.statusBar()->showMessage(shown);
        };
        QObject::connect(&outputStatus, &QTimer::timeout, &window, show);
        outputStatus.start(1000);
        show();
    }
    window.show();
    // Devices the user may not open are told on stderr as well as in the window.
    for (const std::string& text : connection.refusedTexts()) std::fprintf(stderr, "ravo-monitor: %s\n", text.c_str());

    // Once a second the files are written out; SIGHUP reopens them (logrotate); SIGINT
    // or SIGTERM closes the window as if the operator had closed it.
    const ravo::SessionLoop loop(session, [&window] {
        window.close();
        QApplication::quit();
    });

    std::unique_ptr<ravo::app::ReplayPlayer> player;
    if (parser.isSet("replay")) {
        player = std::make_unique<ravo::app::ReplayPlayer>(rx, replayClock, std::move(replayLines), replaySpeed);
        player->beforeDecoding = [&session] { session.beginDecoding(); };
        player->afterDecoding = [&session] { session.endDecoding(); };
        player->start();
    }

    if (demo || parser.isSet("connect")) {
        // Show decoding at once: choose port 1 (the simulated receiver) and connect.
        const std::string entry = connection.table().entry(1);
        ravo::app::SerialControls& serial = window.serialControls();
        const int index = serial.portList()->findText(QString::fromStdString(entry));
        if (index >= 0) {
            serial.choosePort(index);
            serial.connectButton()->click();
        } else {
            // Not listed: Connect on that port tells the operator why, as the button would.
            connection.selectEntry(entry);
            const size_t before = rx.pendingErrors().size();
            connection.connectClicked();
            if (!connection.connected()) {
                const std::string device = connection.table().device(1);
                const std::string why = rx.pendingErrors().size() > before ? rx.pendingErrors().back()
                                        : device.empty()                   ? std::string("no port to connect to")
                                                                           : "cannot open " + device;
                std::fprintf(
                    stderr, "ravo-monitor: --connect: %s%s\n", why.c_str(),
                    device.empty() || why.find(device) != std::string::npos ? "" : (" (" + device + ")").c_str());
            }
        }
    }

    if (parser.isSet("screenshot")) {
        const QString file = parser.value("screenshot");
        QTimer::singleShot(static_cast<int>(screenshotAfter * 1000), &window, [&window, file] {
            window.showPending();
            if (!window.grab().save(file, "PNG"))
                std::fprintf(stderr, "ravo-monitor: cannot write %s\n", qPrintable(file));
            window.close();
            QApplication::quit();
        });
    }
    if (parser.isSet("screenshot-transmitters")) {
        const QString file = parser.value("screenshot-transmitters");
        QTimer::singleShot(static_cast<int>(screenshotAfter * 1000), &window, [&window, file] {
            ravo::app::TransmittersWindow* w = window.transmittersWindow();
            w->show();
            w->showPending();
            QApplication::processEvents();
            if (!w->grab().save(file, "PNG")) std::fprintf(stderr, "ravo-monitor: cannot write %s\n", qPrintable(file));
            window.close();
            QApplication::quit();
        });
    }
    const int status = app.exec();
    if (std::string error; !session.stop(error)) std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
    return status;
}
