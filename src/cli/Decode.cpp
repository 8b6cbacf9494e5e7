// ravo-cli decode [options] [FILE]: decodes a capture (or raw bytes with --raw)
// and exits.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <unistd.h>

#include "cli/CliCommon.h"
#include "cli/RegistryOptions.h"
#include "cli/MqttOptions.h"
#include "cli/ConfigFile.h"
#include "sim/Replay.h"

namespace ravo::cli {
namespace {

// Gives the broker a bounded time to acknowledge everything; says so when some
// messages were dropped or are still unacknowledged.
bool deliverAll(MqttPublisher& publisher) {
    const bool delivered = publisher.waitUntilDelivered(std::chrono::seconds(10));
    const std::size_t left = publisher.backlog();
    const std::string why = publisher.lastError();
    publisher.stop();
    if (delivered && publisher.dropped() == 0) return true;
    if (!delivered)
        std::fprintf(stderr, "ravo-cli: %zu MQTT messages not acknowledged by the broker within 10 s%s\n", left,
                     why.empty() ? "" : (" (" + why + ")").c_str());
    if (publisher.dropped())
        std::fprintf(stderr, "ravo-cli: %llu MQTT messages dropped (queue full)\n",
                     static_cast<unsigned long long>(publisher.dropped()));
    return false;
}

// Output to a file or a pipe goes out in blocks of 64 KiB instead of the stream's
// own (the file system's block, 4 KiB): a reading's JSON line is some 300 bytes,
// and each block written costs a system call. Nothing has been written yet.
void bufferStdout() {
    static char buffer[1 << 16];
    if (!isatty(fileno(stdout))) std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
}

}  // namespace

int runDecode(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Decode a capture of receiver traffic (FILE, or standard input).");
    addDecodeOptions(parser);
    addRegistryOptions(parser, false);
    parser.addOption({"raw", "FILE is raw bytes, delivered as one receive event."});
    addMqttOptions(parser);
    parser.addPositionalArgument("FILE", "Capture file (standard input when absent or -).");
    parser.addOption({"config", "Read options from FILE (NAME = VALUE lines); the command line wins.", "FILE"});
    if (const auto done = parseCommandLine(parser, args, true)) return *done;
    bufferStdout();
    std::string error;
    if (parser.positionalArguments().size() > 1) return fail("decode takes at most one FILE");

    DecodeOptions options;
    if (!readDecodeOptions(parser, options, error)) return fail(error);
    RegistryOptions registryOptions;
    if (!readRegistryOptions(parser, false, registryOptions, error)) return fail(error);
    std::unique_ptr<MqttOutput> mqtt;
    if (!makeMqttOutput(parser, mqtt, error)) return fail(error);
    // Each transmitter's availability over MQTT needs the registry's silence decisions.
    if (mqtt && !registryOptions.silence) registryOptions.silence = SilencePolicy::automatic();

    const QString file = parser.positionalArguments().value(0, "-");
    const bool fromStdin = file == "-";
    std::ifstream fileStream;
    if (!fromStdin) {
        fileStream.open(toStd(file), std::ios::binary);
        if (!fileStream) return fail("cannot read " + toStd(file) + ": " + std::strerror(errno));
    }
    std::istream& in = fromStdin ? std::cin : fileStream;
    const std::string inputName = fromStdin ? "<stdin>" : toStd(file);

    ReplayClock clock;
    Session session(clock, options);
    if (!session.configure(error)) return fail(error);
    Receiver& rx = session.receiver();
    RegistrySession registry(rx, registryOptions);
    routeSilenceEvents(registry, session, mqtt ? mqtt->sink.get() : nullptr);
    if (mqtt) {
        if (!mqtt->publisher->start()) return fail(mqtt->publisher->lastError());
        rx.readings.add(mqtt->sink.get());
    }

    if (parser.isSet("raw")) {
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) return fail("cannot read " + inputName);
        rx.receive(bytes);
        drainReceiveBuffer(rx);
    } else if (const auto bad = replayCapture(in, rx, clock, [&] { registry.check(clock.now()); })) {
        std::fflush(stdout);
        return fail(inputName + ":" + std::to_string(bad->line) + ": " + bad->reason);
    } else if (in.bad()) {
        return fail("cannot read " + inputName);
    }
    registry.finishDecode(clock.now(), session.json());
    std::fflush(stdout);
    if (!session.writeState(error)) return fail(error);
    if (mqtt && !deliverAll(*mqtt->publisher)) return 1;
    return 0;
}

}  // namespace ravo::cli
