// ravo-cli decode [options] [FILE]: decodes a capture (or raw bytes with --raw)
// and exits; with --http it goes on serving what it decoded until SIGINT or SIGTERM.
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "cli/CliCommon.h"
#include "core/Receiver.h"
#include "session/Session.h"
#include "sim/Replay.h"

namespace ravo::cli {
namespace {

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
    addScreenOptions(parser);
    addRegistryOptions(parser, false);
    parser.addOption({"raw", "FILE is raw bytes, delivered as one receive event."});
    addMqttOptions(parser);
    addInfluxOptions(parser);
    addHistoryOptions(parser, false);
    addHttpOptions(parser);
    parser.addPositionalArgument("FILE", "Capture file (standard input when absent or -).");
    parser.addOption({"config", "Read options from FILE (NAME = VALUE lines); the command line wins.", "FILE"});
    if (const auto done = parseCommandLine(parser, args, true)) return *done;
    bufferStdout();
    std::string error;
    if (parser.positionalArguments().size() > 1) return fail("decode takes at most one FILE");

    SessionOptions options;
    options.messagesOnStdout = true;
    options.errorsOnStderr = true;
    options.silenceOnStderr = true;
    options.mqttStopReport = SessionOptions::MqttStopReport::Losses;
    options.mqttStopWaitSeconds = 10;
    options.historyWaits = true;  // a file: every reading is stored, however fast it goes
    if (!readScreenOptions(parser, options, error) || !readRegistryOptions(parser, false, options, error) ||
        !readMqttOptions(parser, options, error) || !readInfluxOptions(parser, options, error) ||
        !readHistoryOptions(parser, false, true, options, error) || !readHttpOptions(parser, options, error))
        return fail(error);

    const QString file = parser.positionalArguments().value(0, "-");
    const bool fromStdin = file == "-";
    options.source = fromStdin ? "capture on standard input" : "capture " + toStd(file);
    // Standard input through a file stream of its own too: std::cin goes to the C
    // library a byte at a time, and each byte takes a lock once the outputs have
    // started their threads.
    std::ifstream in(fromStdin ? std::string("/dev/stdin") : toStd(file), std::ios::binary);
    const std::string inputName = fromStdin ? "<stdin>" : toStd(file);
    if (!in) return fail("cannot read " + inputName + ": " + std::strerror(errno));

    // The server's threads start with SIGINT, SIGTERM and SIGHUP blocked, so that
    // they wait for the end of serving below (and a Ctrl-C during the input ends it then).
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);  // while serving: the outputs and the certificate read again
    const bool serve = !options.http.listen.empty();
    if (serve) pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ReplayClock clock;
    Session session(clock, options);
    if (!session.start(error)) return fail(error);
    Receiver& rx = session.receiver();

    if (parser.isSet("raw")) {
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad()) return fail("cannot read " + inputName);
        rx.receive(bytes);
        drainReceiveBuffer(rx, clock.now());
    } else if (const auto bad = replayCapture(in, rx, clock, [&] {
                   if (TransmitterRegistry* r = session.registry()) r->check(clock.now());
               })) {
        std::fflush(stdout);
        return fail(inputName + ":" + std::to_string(bad->line) + ": " + bad->reason);
    } else if (in.bad()) {
        return fail("cannot read " + inputName);
    }
    session.finishInput();
    if (serve) {
        std::fflush(stdout);
        int signal = SIGHUP;
        while (signal == SIGHUP) {
            sigwait(&stopSignals, &signal);
            if (signal == SIGHUP) session.reopenOutputs();
        }
    }
    if (!session.stop(error)) return fail(error);
    return session.outputsIncomplete() ? 1 : 0;
}

}  // namespace ravo::cli
