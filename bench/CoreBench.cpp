// Throughput of the core: frames through the frame decoder and decoders, with
// logging off and on, with every reading as a JSON line, with the transmitter
// registry listening, and the cost of one frame at a small and a large backlog.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"
#include "readings/JsonLines.h"
#include "registry/TransmitterRegistry.h"
#include "sim/Encoders.h"
#include "sim/Replay.h"
#include "sim/Simulator.h"

using namespace ravo;

namespace {

enum class Form { Binary, TextLine, Stx, Mixed };

// A stream of receive events from the simulated UHF site in one form.
std::vector<std::string> stream(Form form, int count) {
    sim::Simulator simulator(false, 11, sim::Forms::Binary);
    std::vector<std::string> events;
    std::vector<sim::PacketBody> bodies;
    for (int i = 0; i < count; ++i) {
        const std::string f = simulator.next().bytes;
        sim::PacketBody b{};
        for (int k = 0; k < 9; ++k) b[static_cast<size_t>(k)] = static_cast<std::uint8_t>(f[static_cast<size_t>(k)]);
        switch (form) {
            case Form::Binary: events.push_back(f); break;
            case Form::TextLine: events.push_back(sim::hexLine(b)); break;
            case Form::Stx: events.push_back(sim::stxPayload(b, false)); break;
            case Form::Mixed: {
                const int k = i % 4;
                events.push_back(k < 2 ? f : k == 2 ? sim::hexLine(b) : sim::stxPayload(b, false));
                break;
            }
        }
    }
    return events;
}

struct Bench {
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    NoFileSystem noFiles;
    DiskFileSystem disk;
    std::string folder;
    std::unique_ptr<Receiver> rx;

    explicit Bench(bool logging) {
        if (logging) {
            folder = std::filesystem::temp_directory_path() / "ravo-bench-XXXXXX";
            folder = mkdtemp(folder.data());
            folder += "/";
        }
        rx = std::make_unique<Receiver>(clock.now(), logging ? static_cast<FileSystem&>(disk) : noFiles,
                                        ReceiverSettings{folder, '.'});
        rx->selectBand(false);
        rx->setLogging(logging, folder);
    }
    ~Bench() {
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }
};

enum class Listener { None, Json, Registry, Nobody };

// A reading output that keeps nothing: what building the reading record costs.
struct NobodySink : ReadingSink {
    void reading(const Reading&) override {}
    void badFrame(const BadFrameEvent&) override {}
    bool wantsFields() const override { return false; }
    bool wantsBadFrames() const override { return false; }
};

void run(benchmark::State& state, Form form, bool logging, Listener listener = Listener::None) {
    const bool json = listener == Listener::Json;
    const std::vector<std::string> events = stream(form, 4096);
    Bench b(logging);
    // JSON lines as ravo-cli decode --json writes them, into the null device.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> sinkFile(json ? std::fopen("/dev/null", "wb") : nullptr,
                                                             &std::fclose);
    std::unique_ptr<JsonLinesSink> sink;
    if (sinkFile) {
        sink = std::make_unique<JsonLinesSink>(sinkFile.get(), false);
        b.rx->addReadingSink(sink.get());
    }
    // The registry as the programs run it: every reading counted, silence decided
    // on each one (auto: three times each transmitter's median interval).
    TransmitterRegistry transmitters(TransmitterRegistry::kDefaultCapacity, SilencePolicy::automatic());
    if (listener == Listener::Registry) b.rx->addReadingSink(&transmitters);
    NobodySink nobody;
    if (listener == Listener::Nobody) b.rx->addReadingSink(&nobody);
    size_t i = 0;
    for (auto _ : state) {
        // A second between frames: a transmitter is heard again only after many
        // seconds, so the repeat filter lets every frame through.
        b.clock.advance(1);
        b.rx->receive(events[i++ & 4095]);
        drainReceiveBuffer(*b.rx, b.clock.now());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    if (listener == Listener::Registry) state.counters["transmitters"] = static_cast<double>(transmitters.size());
}

void BM_Binary(benchmark::State& s) { run(s, Form::Binary, false); }
void BM_BinaryRegistry(benchmark::State& s) { run(s, Form::Binary, false, Listener::Registry); }
void BM_BinaryReadings(benchmark::State& s) { run(s, Form::Binary, false, Listener::Nobody); }
void BM_TextLines(benchmark::State& s) { run(s, Form::TextLine, false); }
void BM_StxPayloads(benchmark::State& s) { run(s, Form::Stx, false); }
void BM_Mixed(benchmark::State& s) { run(s, Form::Mixed, false); }
void BM_BinaryJson(benchmark::State& s) { run(s, Form::Binary, false, Listener::Json); }
void BM_BinaryLogging(benchmark::State& s) { run(s, Form::Binary, true); }
void BM_MixedLogging(benchmark::State& s) { run(s, Form::Mixed, true); }

// Binary frames without and with the registry (silence off: 0, auto: 1), in
// alternating batches of 256 frames from one process, so that a machine that speeds
// up or slows down meanwhile weighs on both alike. Reports the registry's cost in
// percent of the frame time.
void BM_RegistryCost(benchmark::State& state) {
    const std::vector<std::string> events = stream(Form::Binary, 4096);
    Bench plain(false), counted(false);
    TransmitterRegistry transmitters(TransmitterRegistry::kDefaultCapacity,
                                     state.range(0) ? SilencePolicy::automatic() : SilencePolicy::off());
    counted.rx->addReadingSink(&transmitters);
    using Clock = std::chrono::steady_clock;
    Clock::duration spent[2]{};
    size_t next[2]{};
    Bench* benches[2] = {&plain, &counted};
    auto batch = [&](int which) {
        Bench& b = *benches[which];
        const auto start = Clock::now();
        for (int k = 0; k < 256; ++k) {
            b.clock.advance(1);
            b.rx->receive(events[next[which]++ & 4095]);
            drainReceiveBuffer(*b.rx, b.clock.now());
        }
        spent[which] += Clock::now() - start;
    };
    bool plainFirst = true;
    for (auto _ : state) {
        // Each goes first every other time: neither always finds the caches the other left.
        batch(plainFirst ? 0 : 1);
        batch(plainFirst ? 1 : 0);
        plainFirst = !plainFirst;
    }
    state.counters["plain_ns"] =
        std::chrono::duration<double, std::nano>(spent[0]).count() / static_cast<double>(next[0]);
    state.counters["registry_ns"] =
        std::chrono::duration<double, std::nano>(spent[1]).count() / static_cast<double>(next[1]);
    state.counters["cost_%"] =
        100.0 * (static_cast<double>(spent[1].count()) / static_cast<double>(spent[0].count()) - 1);
}

// The registry on its own: readings of 15 transmitters a second apart, silence
// off (0) or auto (1).
void BM_RegistryReading(benchmark::State& state) {
    std::vector<Reading> readings(4096);
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    for (size_t i = 0; i < readings.size(); ++i) {
        clock.advance(1);
        readings[i].address = static_cast<std::int32_t>(i * 7919 % 15);
        readings[i].family = "temperature";
        readings[i].time = clock.now();
    }
    // (Every 4096 readings the times start over: one interval in 4096 is lost.)
    TransmitterRegistry registry(TransmitterRegistry::kDefaultCapacity,
                                 state.range(0) ? SilencePolicy::automatic() : SilencePolicy::off());
    size_t i = 0;
    for (auto _ : state) registry.reading(readings[i++ & 4095]);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

// One frame through the decoder while `backlog` bytes wait behind it.
void BM_FrameAtBacklog(benchmark::State& state) {
    const auto backlog = static_cast<size_t>(state.range(0));
    const std::vector<std::string> events = stream(Form::Binary, 4096);
    Bench b(false);
    size_t i = 0;
    while (b.rx->state().receiveBuffer.size() < backlog) b.rx->receive(events[i++ & 4095]);
    for (auto _ : state) {
        b.clock.advance(1);
        b.rx->receive(events[i++ & 4095]);
        b.rx->tick(b.clock.now());
    }
    state.counters["backlog"] = static_cast<double>(b.rx->state().receiveBuffer.size());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(BM_Binary);
BENCHMARK(BM_BinaryJson);
BENCHMARK(BM_BinaryReadings);
BENCHMARK(BM_BinaryRegistry);
BENCHMARK(BM_RegistryCost)->Arg(0)->Arg(1);
BENCHMARK(BM_TextLines);
BENCHMARK(BM_StxPayloads);
BENCHMARK(BM_Mixed);
BENCHMARK(BM_BinaryLogging);
BENCHMARK(BM_MixedLogging);
BENCHMARK(BM_RegistryReading)->Arg(0)->Arg(1);
BENCHMARK(BM_FrameAtBacklog)->Arg(100)->Arg(64 * 1024);
