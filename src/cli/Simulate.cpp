// ravo-cli simulate: simulated receiver traffic, as a capture file (or standard
// output) or streamed live into a pseudo-terminal.
#include <csignal>
#include <fstream>
#include <iostream>
#include <thread>

#include "cli/CliCommon.h"
#include "common/Clock.h"
#include "sim/Capture.h"
#include "sim/Pty.h"
#include "sim/Simulator.h"

namespace ravo::cli {
namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onStopSignal(int) { stopRequested = 1; }

bool isTextForm(const std::string& bytes) {
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\r' && c != '\n') return false;
        if (u >= 0x7F && u != 0xFF) return false;
    }
    return !bytes.empty() &&
           (bytes.rfind("Rtl", 0) == 0 || bytes.back() == '\r' || bytes.find("\r\n") != std::string::npos);
}

int writeCapture(sim::Simulator& simulator, long count, double rate, std::ostream& out, bool vhf) {
    out << "# simulated " << (vhf ? "VHF" : "UHF") << " receiver traffic\n";
    out << capture::timeLine(SystemClock().now()) << "\n";
    char step[32];
    std::snprintf(step, sizeof step, "+%.6g", 1.0 / rate);
    for (long i = 0; i < count; ++i) {
        const sim::SimEvent e = simulator.next();
        if (i > 0) out << step << "\n";
        if (e.kind == sim::SimEvent::Kind::Corrupted) out << "# corrupted on air\n";
        if (e.kind == sim::SimEvent::Kind::Repeat) out << "# heard again\n";
        out << (isTextForm(e.bytes) ? capture::quotedLine(e.bytes) : capture::hexLine(e.bytes)) << "\n";
    }
    out.flush();
    return out ? 0 : fail("cannot write the capture");
}

// Reads what the far side sends until it has sent the monitor-on command and
// then been quiet for a second. A monitor probes its ports with monitor-on before
// it connects, and drops what arrives before the connect; the quiet second lets the
// connect happen first.
bool awaitMonitorOn(sim::Pty& pty) {
    std::string heard;
    while (!stopRequested) {
        heard += pty.read(100);
        if (heard.find("MONITOR 1\r") != std::string::npos) break;
        if (heard.size() > 64) heard.erase(0, heard.size() - 16);  // a command split across reads is kept
    }
    while (!stopRequested && !pty.read(1000).empty()) {
    }
    return !stopRequested;
}

int streamToPty(sim::Simulator& simulator, long count, double rate, bool startOnMonitor) {
    std::unique_ptr<sim::Pty> pty;
    try {
        pty = std::make_unique<sim::Pty>();
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    std::printf("%s\n", pty->devicePath().c_str());
    std::fflush(stdout);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGPIPE, SIG_IGN);

    if (startOnMonitor && !awaitMonitorOn(*pty)) return 0;

    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration<double>(1.0 / rate);
    auto due = clock::now();
    long sent = 0;
    while (!stopRequested && (count <= 0 || sent < count)) {
        // Whatever the monitor sends (the monitor-on and -off commands) is read and dropped.
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - clock::now()).count();
        if (wait > 0) {
            pty->read(static_cast<int>(std::min<long long>(wait, 100)));
            continue;
        }
        // Every frame that is due goes out, in one write when the schedule has fallen behind.
        std::string burst;
        while (due <= clock::now() && (count <= 0 || sent < count)) {
            burst += simulator.next().bytes;
            ++sent;
            due += std::chrono::duration_cast<clock::duration>(period);
        }
        if (!pty->write(burst)) return fail("the pseudo-terminal was closed");
    }
    // Give the reader a moment to take the last frames before the device goes away.
    for (int i = 0; i < 10 && !stopRequested; ++i) pty->read(50);
    std::fprintf(stderr, "ravo-cli: sent %ld frames\n", sent);
    return 0;
}

}  // namespace

int runSimulate(const QStringList& args) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Simulated receiver traffic.");
    parser.addOption({"band", "Receiver type: vhf or uhf (vhf).", "vhf|uhf", "vhf"});
    parser.addOption({"seed", "Seed of the traffic (1).", "S", "1"});
    parser.addOption({"count", "Number of receive events (1000 into a file; no limit into a pty).", "N"});
    parser.addOption({"rate", "Frames a second (2).", "FRAMES_PER_S", "2"});
    parser.addOption({"pty", "Create a pseudo-terminal, print its device path and stream into it."});
    parser.addOption({"start-on-monitor",
                      "With --pty: start the traffic a quiet second after the far side sends MONITOR 1, so that "
                      "every frame goes to a connected program."});
    parser.addOption({"output", "Write a capture to FILE (standard output when neither this nor --pty).", "FILE"});
    parser.addOption({"forms", "mixed (binary, STX, text and Rtl lines) or binary (mixed).", "mixed|binary", "mixed"});
    if (const auto done = parseCommandLine(parser, args)) return *done;
    if (!parser.positionalArguments().isEmpty()) return fail("simulate takes no FILE; use --output FILE");

    const QString band = parser.value("band");
    if (band != "vhf" && band != "uhf") return fail("--band must be vhf or uhf");
    bool ok = false;
    const uint seed = parser.value("seed").toUInt(&ok);
    if (!ok) return fail("--seed must be a whole number");
    const double rate = parser.value("rate").toDouble(&ok);
    if (!ok || !(rate > 0) || rate > 1e6) return fail("--rate must be a number of frames a second above 0");
    long count = parser.isSet("pty") ? 0 : 1000;
    if (parser.isSet("count")) {
        count = parser.value("count").toLong(&ok);
        if (!ok || count < 0) return fail("--count must be a whole number, 0 or more");
    }
    const QString forms = parser.value("forms");
    if (forms != "mixed" && forms != "binary") return fail("--forms must be mixed or binary");
    if (parser.isSet("pty") && parser.isSet("output")) return fail("--pty and --output exclude each other");
    if (parser.isSet("start-on-monitor") && !parser.isSet("pty")) return fail("--start-on-monitor needs --pty");

    sim::Simulator simulator(band == "vhf", seed, forms == "binary" ? sim::Forms::Binary : sim::Forms::Mixed);
    if (parser.isSet("pty")) return streamToPty(simulator, count, rate, parser.isSet("start-on-monitor"));
    if (parser.isSet("output")) {
        std::ofstream out(toStd(parser.value("output")), std::ios::binary | std::ios::trunc);
        if (!out) return fail("cannot write " + toStd(parser.value("output")));
        return writeCapture(simulator, count, rate, out, band == "vhf");
    }
    return writeCapture(simulator, count, rate, std::cout, band == "vhf");
}

}  // namespace ravo::cli
