// ravo-cli listen: decodes a live receiver until SIGINT or SIGTERM, with the same
// output, logs and state as decode. The receiver is woken with the monitor-on
// command and told monitor-off at the end; a device that disappears is waited for
// and reopened when it comes back.
#include <QCoreApplication>
#include <QTimer>

#include "cli/CliCommon.h"
#include "cli/RegistryOptions.h"
#include "cli/MqttOptions.h"
#include "cli/ConfigFile.h"
#include "serial/Connection.h"
#include "serial/qt/PollTimer.h"
#include "sim/Recorder.h"
#include "sim/Replay.h"
#include "serial/qt/QtSerialPort.h"
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
    addRegistryOptions(parser, true);
    parser.addOption({"port", "The receiver's serial device.", "DEVICE"});
    parser.addOption({"baud", "Baud rate (9600).", "N", "9600"});
    addMqttOptions(parser);
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
    DecodeOptions options;
    if (!readDecodeOptions(parser, options, error)) return fail(error);
    RegistryOptions registryOptions;
    if (!readRegistryOptions(parser, true, registryOptions, error)) return fail(error);
    std::unique_ptr<MqttOutput> mqtt;
    if (!makeMqttOutput(parser, mqtt, error)) return fail(error);
    // Each transmitter's availability over MQTT needs the registry's silence decisions.
    if (mqtt && !registryOptions.silence) registryOptions.silence = SilencePolicy::automatic();

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
    RegistrySession registry(rx, registryOptions);
    routeSilenceEvents(registry, session, mqtt ? mqtt->sink.get() : nullptr);
    // The summary file is written at once (empty), so a folder that cannot take it is told now.
    if (!registry.writeSummaryFile(error)) return fail(error);
    // Silence is decided once a second on the system clock; the summary file is rewritten every minute.
    QTimer silenceTimer;
    QObject::connect(&silenceTimer, &QTimer::timeout, [&] { registry.check(clock.now()); });
    if (registry.registry()) silenceTimer.start(1000);
    QTimer summaryTimer;
    QObject::connect(&summaryTimer, &QTimer::timeout, [&] {
        std::string why;
        if (!registry.writeSummaryFile(why)) std::fprintf(stderr, "ravo-cli: %s\n", why.c_str());
    });
    if (!registry.summaryFile().empty()) summaryTimer.start(60000);
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
    bool writeFailureShown = false;
    poll.afterTick = [&] {
        std::string flushError;
        if (!session.flush(flushError) && !writeFailureShown) {
            writeFailureShown = true;
            std::fprintf(stderr, "ravo-cli: %s\n", flushError.c_str());
        }
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
        if (!rx.readings.empty()) {
            rx.readings.connection({ConnectionEvent::Kind::Reconnected, clock.now(), device});
            std::string ignored;  // a failing JSON file is reported after the next tick
            session.flush(ignored);
        }
        port.write(kMonitorOn);
    });
    port.onFailure = [&] {
        std::fprintf(stderr, "ravo-cli: lost %s; waiting for it to come back\n", device.c_str());
        if (!rx.readings.empty()) {
            rx.readings.connection({ConnectionEvent::Kind::Lost, clock.now(), device});
            std::string ignored;  // a failing JSON file is reported after the next tick
            session.flush(ignored);
        }
        reconnect.start();
    };

    // The broker's connection and the drop count, on stderr when they change.
    QTimer mqttWatch;
    bool mqttConnected = false;
    std::string mqttWhy;
    std::uint64_t mqttDropped = 0;
    if (mqtt) {
        if (!mqtt->publisher->start()) return fail(mqtt->publisher->lastError());
        rx.readings.add(mqtt->sink.get());
        mqttWatch.setInterval(500);
        QObject::connect(&mqttWatch, &QTimer::timeout, [&] {
            const MqttPublisher& p = *mqtt->publisher;
            const bool connected = p.connected();
            const std::string why = connected ? std::string() : p.lastError();
            if (connected != mqttConnected || why != mqttWhy) {
                mqttConnected = connected;
                mqttWhy = why;
                std::fprintf(stderr, "ravo-cli: %s%s\n", mqttStatusText(p).c_str(),
                             why.empty() ? "" : (" (" + why + ")").c_str());
            }
            if (p.dropped() != mqttDropped) {
                mqttDropped = p.dropped();
                std::fprintf(stderr, "ravo-cli: MQTT: %llu messages dropped so far (queue full)\n",
                             static_cast<unsigned long long>(mqttDropped));
            }
        });
        mqttWatch.start();
    }

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
    if (mqtt) {
        // What the broker has not acknowledged within a short while is lost at the stop.
        MqttPublisher& p = *mqtt->publisher;
        p.waitUntilDelivered(std::chrono::seconds(3));
        const std::size_t left = p.backlog();
        p.stop();
        rx.readings.remove(mqtt->sink.get());
        std::fprintf(stderr, "ravo-cli: MQTT: %llu messages delivered, %llu dropped, %zu not delivered\n",
                     static_cast<unsigned long long>(p.delivered()), static_cast<unsigned long long>(p.dropped()),
                     left);
    }
    if (!registry.writeSummaryFile(error)) return fail(error);
    if (!session.writeState(error)) return fail(error);
    return 0;
}

}  // namespace ravo::cli
