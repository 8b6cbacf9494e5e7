// ravo-cli listen: decodes a live receiver until SIGINT or SIGTERM, with the same
// output, logs and state as decode. The receiver is woken with the monitor-on
// command and told monitor-off at the end; a device that disappears is waited for
// and reopened when it comes back. Everything around the receiver is the session's.
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>

#include "cli/CliCommon.h"
#include "config/Commands.h"
#include "core/Receiver.h"
#include "serial/Connection.h"
#include "serial/qt/PollTimer.h"
#include "serial/qt/QtSerialPort.h"
#include "session/Session.h"
#include "session/qt/SessionLoop.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"

namespace ravo::cli {

int runListen(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Decode a live receiver until SIGINT or SIGTERM.");
    addScreenOptions(parser);
    addRegistryOptions(parser, true);
    parser.addOption({"port", "The receiver's serial device.", "DEVICE"});
    parser.addOption({"baud", "Baud rate (9600).", "N", "9600"});
    addMqttOptions(parser);
    addInfluxOptions(parser);
    addHistoryOptions(parser, false);
    addHttpOptions(parser);
    parser.addOption({"record", "Record what is received as a capture in FILE (ravo-cli decode replays it).", "FILE"});
    parser.addOption({"config", "Read options from FILE (NAME = VALUE lines); the command line wins.", "FILE"});
    if (const auto done = parseCommandLine(parser, args, true)) return *done;
    std::string error;
    if (!parser.positionalArguments().isEmpty()) return fail("listen takes no FILE");
    if (!parser.isSet("port")) return fail("listen needs --port DEVICE");
    bool ok = false;
    const int baud = parser.value("baud").toInt(&ok);
    if (!ok || std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) == std::end(kBaudRates))
        return fail("--baud must be one of 4800, 9600, 19200, 38400, 115200");
    const std::string device = toStd(parser.value("port"));

    SessionOptions options;
    options.source = "port " + device;
    options.live = true;
    options.messagesOnStdout = true;
    options.errorsOnStderr = true;
    options.silenceOnStderr = true;
    options.mqttStatusOnStderr = true;
    options.mqttStopReport = SessionOptions::MqttStopReport::Counts;
    options.recorder = true;
    if (!readScreenOptions(parser, options, error) || !readRegistryOptions(parser, true, options, error) ||
        !readMqttOptions(parser, options, error) || !readInfluxOptions(parser, options, error) ||
        !readHistoryOptions(parser, false, true, options, error) || !readHttpOptions(parser, options, error))
        return fail(error);
    // The options above are not recorded: decode the recording with the same ones.
    options.recordPath = toStd(parser.value("record"));
    options.recordComment = "recorded by ravo-cli listen from " + device;

    int argc = 1;
    char name[] = "ravo-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    SystemClock clock;
    Session session(clock, options);
    if (!session.start(error)) return fail(error);
    Receiver& rx = session.receiver();

    const std::string settings = std::to_string(baud) + ",n,8,1";
    QtSerialPort port;
    const OpenOutcome outcome = port.open(device, settings);
    if (outcome != OpenOutcome::Ok) return fail(openFailureText(static_cast<int>(outcome), device, port.lastError()));

    PollTimer poll(rx, clock);
    poll.beforeCycle = [&session] { session.beginDecoding(); };
    poll.afterCycle = [&session] { session.endDecoding(); };
    std::uint64_t abandonedSeen = 0;
    poll.afterTick = [&] {
        session.afterTick();
        if (rx.state().abandonedWaits != abandonedSeen) {
            abandonedSeen = rx.state().abandonedWaits;
            std::fprintf(stderr,
                         "ravo-cli: gave up waiting for the rest of an item (%llu waits, %llu bytes dropped so far)\n",
                         static_cast<unsigned long long>(rx.state().abandonedWaits),
                         static_cast<unsigned long long>(rx.state().abandonedBytes));
        }
    };
    port.onData = [&](std::string_view bytes) {
        rx.receive(bytes);
        poll.kick();
    };
    port.write(kMonitorOn);

    // A vanished device is looked for once a second.
    QTimer reconnect;
    reconnect.setInterval(1000);
    QObject::connect(&reconnect, &QTimer::timeout, [&] {
        if (port.open(device, settings) != OpenOutcome::Ok) return;
        reconnect.stop();
        std::fprintf(stderr, "ravo-cli: %s is back; listening again\n", device.c_str());
        session.connectionEvent(ConnectionEvent::Kind::Reconnected, device);
        port.write(kMonitorOn);
    });
    port.onFailure = [&] {
        std::fprintf(stderr, "ravo-cli: lost %s; waiting for it to come back\n", device.c_str());
        session.connectionEvent(ConnectionEvent::Kind::Lost, device);
        reconnect.start();
    };

    const SessionLoop loop(session, [&app] { app.quit(); });
    if (!loop.ok()) return fail("cannot set up signal handling");
    app.exec();

    // Work off what has arrived, then say goodbye to the receiver.
    session.beginDecoding();
    drainReceiveBuffer(rx, clock.now());
    session.endDecoding();
    if (Recorder* recorder = session.recorder()) recorder->stop();
    if (port.isOpen()) {
        port.write(kMonitorOff);
        port.flush(2000);
        port.close();
    }
    if (!session.stop(error)) return fail(error);
    return 0;
}

}  // namespace ravo::cli
