// The history store at the size of a site: 100 transmitters each heard every 10
// minutes for a year (5.26 M readings). One transmitter's year read through its
// stretch of the store against the same rows found by a scan of the whole store,
// and the report the history command prints; the bytes a reading takes.
//
// The store is built once into $TMPDIR (kept between runs; some 30 s to build).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "history/HistoryQuery.h"
#include "history/HistoryReport.h"
#include "history/HistoryWriter.h"

namespace ravo {
namespace {

constexpr int kTransmitters = 100;
constexpr int kPerYear = 365 * 24 * 6;
constexpr std::int64_t kStart = 1767225600000;  // 2026-01-01 00:00 UTC

std::string storePath() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/ravo-history-bench-v2.sqlite";
}

// Builds the store unless a whole one is there already.
const std::string& siteStore() {
    static const std::string path = [] {
        const std::string p = storePath();
        std::string error;
        {
            SqliteDb db;
            std::int64_t n = 0;
            if (std::filesystem::exists(p) && db.open(p, true, false, error) &&
                db.integer("SELECT count(*) FROM readings", n, error) && n == std::int64_t{kTransmitters} * kPerYear)
                return p;
        }
        std::filesystem::remove(p);
        HistoryWriter w;
        if (!w.open(p, error)) throw std::runtime_error(error);
        Reading r;
        r.family = "temperature";
        r.type = 0x82;
        r.vhf = true;
        r.batteryLow = false;
        r.firmware = 3;
        r.sLevel = 7.0;
        static constexpr FieldDecl kFields[] = {{"temperature_1_C", "°C", "Temperature 1"},
                                                {"sensor_error", "", "Sensor error", FieldKind::Flag},
                                                {"status_flag", "", "Status flag", FieldKind::Flag}};
        w.begin(error);
        for (int i = 0; i < kPerYear; ++i) {
            for (int a = 0; a < kTransmitters; ++a) {
                const std::int64_t ms = kStart + i * 600000LL + a * 5000LL;
                r.time = fromWallMillis(ms);  // stored as local time by the zone's rules
                r.address = 10000 + a;
                r.status = 0x13;
                r.fields.clear();
                r.set(kFields[0], 15.0 + (i + a) % 100 / 10.0);
                r.set(kFields[1], false);
                r.set(kFields[2], (i % 2) == 0);
                if (!w.addReading(r, error)) throw std::runtime_error(error);
            }
            if (i % 2000 == 1999 && !(w.commit(error) && w.begin(error))) throw std::runtime_error(error);
        }
        if (!w.commit(error)) throw std::runtime_error(error);
        // Sorted into the order of address and time, as the writer does while idle.
        for (bool more = true; more;)
            if (!(w.begin(error) && w.moveRecent(100000, more, error) && w.commit(error)))
                throw std::runtime_error(error);
        w.close();
        return p;
    }();
    return path;
}

// The same rows and the same work per row, through the address's stretch or a scan of everything.
void scan(benchmark::State& state, const char* sql) {
    SqliteDb db;
    std::string error;
    if (!db.open(siteStore(), true, false, error)) return state.SkipWithError(error.c_str());
    SqliteStatement s;
    if (!s.prepare(db, sql, error)) return state.SkipWithError(error.c_str());
    std::int64_t rows = 0;
    for (auto _ : state) {
        s.bind(1, std::int64_t{10050});
        std::size_t bytes = 0;
        while (s.step() == SQLITE_ROW) {
            bytes += s.text(2).size() + static_cast<std::size_t>(s.integer(0) & 1);
            ++rows;
        }
        s.reset();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows) / static_cast<double>(state.iterations()));
}

void BM_HistoryOneTransmitterYear(benchmark::State& state) {
    scan(state, "SELECT time_ms, utc_offset, vals FROM readings WHERE address = ?1 ORDER BY time_ms");
}
BENCHMARK(BM_HistoryOneTransmitterYear)->Unit(benchmark::kMillisecond);

void BM_HistoryFullScan(benchmark::State& state) {
    // "+address": no use of the key, every reading of the store is looked at.
    scan(state, "SELECT time_ms, utc_offset, vals FROM readings WHERE +address = ?1");
}
BENCHMARK(BM_HistoryFullScan)->Unit(benchmark::kMillisecond);

// What `ravo-cli history FILE readings --address A` does, CSV into nothing.
void BM_HistoryReadingsReport(benchmark::State& state) {
    HistoryReader reader;
    std::string error;
    if (!reader.open(siteStore(), error)) return state.SkipWithError(error.c_str());
    ReadingsRequest q;
    q.span.address = 10050;
    q.everySeconds = state.range(0);
    for (auto _ : state) {
        std::size_t bytes = 0;
        if (!readingsReport(
                reader, q, [&](std::string_view s) { bytes += s.size(); }, error))
            return state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_HistoryReadingsReport)->Arg(0)->Arg(3600)->Unit(benchmark::kMillisecond);

// What the writer does while idle: readings stored in arrival order are sorted
// into the order of address and time, a batch per transaction. Args: the number
// of distinct transmitters among 100,000 readings (every one distinct at
// 100,000), on top of a store that holds them once already; the batch.
void BM_HistorySortIn(benchmark::State& state) {
    const std::string p = storePath() + ".sort-in";
    const auto transmitters = static_cast<int>(state.range(0));
    const std::int64_t batch = state.range(1);
    constexpr int kReadings = 100000;
    std::string error;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(p);
        std::filesystem::remove(p + "-wal");
        std::filesystem::remove(p + "-shm");
        HistoryWriter w;
        if (!w.open(p, error)) return state.SkipWithError(error.c_str());
        static constexpr FieldDecl kField = {"temperature_1_C", "°C", "Temperature 1"};
        Reading r;
        r.family = "temperature";
        r.type = 0x82;
        bool more = true;
        for (int round = 0; round < 2; ++round) {
            if (!w.begin(error)) return state.SkipWithError(error.c_str());
            for (int i = 0; i < kReadings; ++i) {
                r.address = static_cast<std::int32_t>((i % transmitters) * 2654435761u & 0xFFFFFF);
                r.time = fromWallMillis(kStart + round * 86400000LL + i * 1000LL);
                r.fields.clear();
                r.set(kField, 20.0 + i % 100 / 10.0);
                if (!w.addReading(r, error)) return state.SkipWithError(error.c_str());
            }
            if (!w.commit(error)) return state.SkipWithError(error.c_str());
            if (round == 1) state.ResumeTiming();
            for (more = true; more;)
                if (!(w.begin(error) && w.moveRecent(batch, more, error) && w.commit(error)))
                    return state.SkipWithError(error.c_str());
        }
        state.PauseTiming();
        w.close();
        state.ResumeTiming();
    }
    std::filesystem::remove(p);
    std::filesystem::remove(p + "-wal");
    std::filesystem::remove(p + "-shm");
    state.counters["us_per_reading"] =
        benchmark::Counter(static_cast<double>(kReadings) * static_cast<double>(state.iterations()) * 1e-6,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_HistorySortIn)->ArgsProduct({{100, 100000}, {1024, 16384}})->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_HistoryBytesPerReading(benchmark::State& state) {
    SqliteDb db;
    std::string error;
    std::int64_t pages = 0, free = 0, size = 0, rows = 0;
    if (!db.open(siteStore(), true, false, error) || !db.integer("PRAGMA page_count", pages, error) ||
        !db.integer("PRAGMA freelist_count", free, error) || !db.integer("PRAGMA page_size", size, error) ||
        !db.integer("SELECT count(*) FROM readings", rows, error))
        return state.SkipWithError(error.c_str());
    for (auto _ : state) benchmark::DoNotOptimize(rows);
    // Pages the readings left when they were sorted in are free, for the next ones.
    state.counters["bytes_per_reading"] = static_cast<double>((pages - free) * size) / static_cast<double>(rows);
    state.counters["free_MiB"] = static_cast<double>(free * size) / (1024.0 * 1024.0);
    state.counters["store_MiB"] = static_cast<double>(pages * size) / (1024.0 * 1024.0);
}
BENCHMARK(BM_HistoryBytesPerReading)->Iterations(1);

}  // namespace
}  // namespace ravo
