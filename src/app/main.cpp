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
#include <memory>
#include <stdexcept>

#include "app/DemoReceiver.h"
#include "app/Mainscreen.h"
#include "common/Platform.h"
#include "app/SerialControls.h"
#include "cli/MqttOptions.h"
#include "common/Clock.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "serial/Connection.h"
#include "serial/PortTable.h"
#include "serial/qt/QtSerialPort.h"
#include "serial/qt/StopSignals.h"

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
    ravo::cli::addMqttOptions(parser);
    parser.process(app);

    std::unique_ptr<ravo::cli::MqttOutput> mqtt;
    if (std::string error; !ravo::cli::makeMqttOutput(parser, mqtt, error)) {
        std::fprintf(stderr, "ravo-monitor: %s\n", error.c_str());
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

    ravo::SystemClock clock;
    ravo::DiskFileSystem files;
    const std::string logFolder = ravo::defaultLogFolder();
    ravo::Receiver rx(clock, files, ravo::ReceiverSettings{logFolder, ravo::localeDecimalSeparator()});
    ravo::QtSerialPort port;
    ravo::Connection connection(rx, port, ravo::PortTable(named, ravo::listedSerialDevices()));

    if (echo) {
        rx.screen.addListener([f = echo.get()](const ravo::ModelChange& c) {
            if (c.kind == ravo::ModelChange::Kind::MonitorAppend) std::fwrite(c.text.data(), 1, c.text.size(), f);
        });
    }

    ravo::app::Mainscreen window(rx, connection, port);
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
    if (mqtt) {
        mqtt->publisher->waitUntilDelivered(std::chrono::seconds(3));
        mqtt->publisher->stop();
        rx.readings.remove(mqtt->sink.get());
    }
    return status;
}
