// ravo-cli listen: decodes a live receiver until SIGINT or SIGTERM, with the same
// output, logs and state as decode. The receiver is woken with the monitor-on
// command and told monitor-off at the end; a device that disappears is waited for
// and reopened when it comes back.
#include <QCoreApplication>
#include <QTimer>

#include "cli/CliCommon.h"
#include "cli/ConfigFile.h"
#include "serial/Connection.h"
#include "serial/qt/PollTimer.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"
#include "serial/qt/QtSerialPort.h"
#include "serial/qt/ReopenSignal.h"
#include "serial/qt/StopSignals.h"

namespace ravo::cli {
namespace {

constexpr const char* kMonitorOn = "\rMONITOR 1\r";
constexpr const char* kMonitorOff = "MONITOR 0\r";

}  // namespace

int runListen(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Decode a live receiver until SIGINT or SIGTERM.");
    addDecodeOptions(parser);
    parser.addOption({"port", "The receiver's serial device.", "DEVICE"});
    parser.addOption({"baud", "Baud rate (9600).", "N", "9600"});
    parser.addOption({"record", "Record what is received as a capture in FILE (ravo-cli decode replays it).", "FILE"});
    parser.addOption({"config", "Read options from FILE (NAME = VALUE lines); the command line wins.", "FILE"});
    std::string error;
    if (!parseWithConfig(parser, args, error)) return fail(error);
    if (!parser.positionalArguments().isEmpty()) return fail("listen takes no FILE");
    if (!parser.isSet("port")) return fail("listen needs --port DEVICE");
    bool ok = false;
    const int baud = parser.value("baud").toInt(&ok);
    if (!ok || std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) == std::end(kBaudRates))
        return fail("--baud must be one of 4800, 9600, 19200, 38400, 115200");
    DecodeOptions options;
    if (!readDecodeOptions(parser, options, error)) return fail(error);

    int argc = 1;
    char name[] = "ravo-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    // The receiver reads the time through the recorder, which stamps each item
    // with the time its decode read (it passes the time through when not recording).
    SystemClock clock;
    Recorder recorder(clock);
    Session session(recorder.clock(), options);
    if (!session.configure(error)) return fail(error);
    Receiver& rx = session.receiver();
    if (parser.isSet("record")) {
        // The options above are not recorded: decode the recording with the same ones.
        recorder.attach(rx);
        const std::string comment = "recorded by ravo-cli listen from " + toStd(parser.value("port"));
        if (!recorder.start(toStd(parser.value("record")), comment, false, error)) return fail(error);
        session.reopeners.push_back([&recorder] {
            std::string why;
            if (!recorder.reopen(why)) std::fprintf(stderr, "ravo-cli: %s\n", why.c_str());
        });
    }

    const std::string device = toStd(parser.value("port"));
    const std::string settings = std::to_string(baud) + ",n,8,1";
    QtSerialPort port;
    const OpenOutcome outcome = port.open(device, settings);
    if (outcome != OpenOutcome::Ok) return fail(openFailureText(static_cast<int>(outcome), device, port.lastError()));

    PollTimer poll(rx);
    poll.beforeCycle = [&recorder] { recorder.beginDecoding(); };
    poll.afterCycle = [&recorder] { recorder.endDecoding(); };
    std::uint64_t abandonedSeen = 0;
    poll.afterTick = [&] {
        std::fflush(stdout);
        if (rx.state.abandonedWaits != abandonedSeen) {
            abandonedSeen = rx.state.abandonedWaits;
            std::fprintf(stderr, "ravo-cli: gave up waiting for the rest of an item (%llu waits, %llu bytes dropped so far)\n",
                         static_cast<unsigned long long>(rx.state.abandonedWaits),
                         static_cast<unsigned long long>(rx.state.abandonedBytes));
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
        port.write(kMonitorOn);
    });
    port.onFailure = [&] {
        std::fprintf(stderr, "ravo-cli: lost %s; waiting for it to come back\n", device.c_str());
        reconnect.start();
    };

    const StopSignals stop([&app] { app.quit(); });
    const ReopenSignal hangup([&session] { session.reopenOutputs(); });
    if (!stop.ok() || !hangup.ok()) return fail("cannot set up signal handling");

    // A kill loses at most the last second of the echo and the recording.
    QTimer flush;
    flush.setInterval(1000);
    QObject::connect(&flush, &QTimer::timeout, [&] {
        recorder.flush();
        session.flushOutputs();
    });
    flush.start();

    app.exec();

    // Work off what has arrived, then say goodbye to the receiver.
    recorder.beginDecoding();
    drainReceiveBuffer(rx);
    recorder.endDecoding();
    recorder.stop();
    if (port.isOpen()) {
        port.write(kMonitorOff);
        port.flush(2000);
        port.close();
    }
    std::fflush(stdout);
    if (!session.writeState(error)) return fail(error);
    return 0;
}

}  // namespace ravo::cli
