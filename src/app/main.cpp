// ravo-monitor: the desktop monitor of the receiver.
#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>

#include "app/DemoReceiver.h"
#include "app/Mainscreen.h"
#include "common/Platform.h"
#include "app/SerialControls.h"
#include "app/TransmittersWindow.h"
#include "cli/MqttOptions.h"
#include "common/Clock.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "readings/JsonLines.h"
#include "registry/TransmitterRegistry.h"
#include "serial/Connection.h"
#include "serial/PortTable.h"
#include "serial/qt/QtSerialPort.h"
#include "serial/qt/StopSignals.h"

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
    parser.addOption({"screenshot-transmitters", "Save a picture of the Transmitters window to FILE (PNG) and quit.",
                      "FILE"});
    parser.addOption({"silence-after",
                      "Transmitters count as silent after SECONDS without a reading, or three times their own "
                      "median interval (auto, the default).",
                      "SECONDS|auto", "auto"});
    ravo::cli::addMqttOptions(parser);
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
    if (parser.isSet("help")) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet("version")) {
        std::printf("ravo-monitor %s\n", RAVO_VERSION);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "ravo-monitor: unexpected argument '%s'\n", qPrintable(parser.positionalArguments().first()));
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

    const auto silence = ravo::SilencePolicy::parse(parser.value("silence-after").toStdString());
    if (!silence) {
        std::fprintf(stderr, "ravo-monitor: --silence-after must be a positive number of seconds or auto\n");
        return 2;
    }

    std::unique_ptr<ravo::cli::MqttOutput> mqtt;
    if (std::string error; !ravo::cli::makeMqttOutput(parser, mqtt, error)) {
        std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
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

    // Every reading as a JSON line, flushed as it is written.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> jsonFile(nullptr, &std::fclose);
    std::unique_ptr<ravo::JsonLinesSink> jsonLines;
    if (parser.isSet("json-file")) {
        const std::string path = parser.value("json-file").toStdString();
        jsonFile.reset(std::fopen(path.c_str(), "ab"));
        if (!jsonFile) {
            std::fprintf(stderr, "ravo-monitor: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
            return 2;
        }
        jsonLines = std::make_unique<ravo::JsonLinesSink>(jsonFile.get(), true);
    }

    ravo::SystemClock clock;
    ravo::DiskFileSystem files;
    const std::string logFolder = ravo::defaultLogFolder();
    ravo::Receiver rx(clock, files, ravo::ReceiverSettings{logFolder, ravo::localeDecimalSeparator()});
    ravo::QtSerialPort port;
    ravo::Connection connection(rx, port, ravo::PortTable(named, ravo::listedSerialDevices()));
    connection.listDevices = &ravo::listedSerialDevices;
    if (jsonLines) rx.readings.add(jsonLines.get());

    if (echo) {
        rx.screen.addListener([f = echo.get()](const ravo::ModelChange& c) {
            if (c.kind == ravo::ModelChange::Kind::MonitorAppend) std::fwrite(c.text.data(), 1, c.text.size(), f);
        });
    }

    // Every transmitter in view, fed by the receiver; its window is behind the "Transmitters" button.
    ravo::TransmitterRegistry registry(ravo::TransmitterRegistry::kDefaultCapacity, *silence);
    rx.readings.add(&registry);

    ravo::app::Mainscreen window(rx, connection, port);
    window.attachRegistry(registry);
    window.startUp(files, logFolder);

    // With --mqtt, the status bar shows the broker connection and the drop count.
    QTimer mqttStatus;
    if (mqtt) {
        mqtt->publisher->start();
        rx.readings.add(mqtt->sink.get());
        QObject::connect(&mqttStatus, &QTimer::timeout, &window, [&] {
            const QString text = QString::fromStdString(ravo::cli::mqttStatusText(*mqtt->publisher));
            if (window.statusBar()->currentMessage() != text) window.statusBar()->showMessage(text);
        });
        mqttStatus.start(1000);
        window.statusBar()->showMessage(QString::fromStdString(ravo::cli::mqttStatusText(*mqtt->publisher)));
    }
    window.show();
    // Devices the user may not open are told on stderr as well as in the window.
    for (const std::string& text : connection.refusedTexts()) std::fprintf(stderr, "ravo-monitor: %s\n", text.c_str());

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
            const size_t before = rx.pendingErrors.size();
            connection.connectClicked();
            if (!connection.connected()) {
                const std::string device = connection.table().device(1);
                const std::string why = rx.pendingErrors.size() > before ? rx.pendingErrors.back()
                                        : device.empty() ? std::string("no port to connect to")
                                                         : "cannot open " + device;
                std::fprintf(stderr, "ravo-monitor: --connect: %s%s\n", why.c_str(),
                             device.empty() || why.find(device) != std::string::npos ? "" : (" (" + device + ")").c_str());
            }
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
    if (mqtt) {
        mqtt->publisher->waitUntilDelivered(std::chrono::seconds(3));
        mqtt->publisher->stop();
        rx.readings.remove(mqtt->sink.get());
    }
    rx.readings.remove(&registry);
    return status;
}
