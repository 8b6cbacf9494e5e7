// The history store: what a real session stores comes back as its JSON lines
// said it, for every family; retention; refusal of files it cannot use; one
// message for a spell of failed writes, with decoding going on; a reader beside
// the writer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "TestSupport.h"
#include "history/HistoryQuery.h"
#include "history/HistoryReport.h"
#include "history/HistoryStore.h"
#include "readings/JsonLines.h"
#include "session/Session.h"
#include "sim/Replay.h"

namespace ravo {
namespace {

namespace fs = std::filesystem;

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/ravo-history-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
        path = (dir / "history.sqlite").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    // One transmitter's readings as JSON lines, through the report of the history command.
    std::vector<std::string> storedJson(std::int32_t address) {
        HistoryReader reader;
        std::string error;
        EXPECT_TRUE(reader.open(path, error)) << error;
        std::string text;
        ReadingsRequest q;
        q.span.address = address;
        q.json = true;
        EXPECT_TRUE(readingsReport(
            reader, q, [&](std::string_view s) { text += s; }, error))
            << error;
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    // Sorts every reading still in arrival order into the order of address and
    // time, as the writer does while idle, in small batches.
    void moveAll() {
        HistoryWriter w;
        std::string error;
        ASSERT_TRUE(w.open(path, error)) << error;
        for (bool more = true; more;) {
            ASSERT_TRUE(w.begin(error) && w.moveRecent(7, more, error) && w.commit(error)) << error;
        }
        EXPECT_EQ(count("SELECT count(*) FROM recent"), 0);
    }

    std::int64_t count(const char* sql) {
        SqliteDb db;
        std::string error;
        EXPECT_TRUE(db.open(path, true, false, error)) << error;
        std::int64_t n = -1;
        EXPECT_TRUE(db.integer(sql, n, error)) << error;
        return n;
    }

    fs::path dir;
    std::string path;
};

std::string withoutLine(std::string json) {
    const size_t at = json.rfind(",\"line\":");
    return at == std::string::npos ? json : json.substr(0, at) + "}";
}

TEST_F(HistoryTest, EveryFamilyComesBackAsItsJsonLinesSaidIt) {
    // A real session over the capture of every family, the JSON lines beside the store.
    SessionOptions options;
    options.program = "ravo-test";
    options.screen = ScreenOptions{};
    options.historyPath = path;
    options.historyWaits = true;
    std::FILE* json = std::tmpfile();
    ASSERT_NE(json, nullptr);
    JsonLinesSink lines(json, false);
    std::map<std::int32_t, std::vector<std::string>> expected;
    std::set<std::string> families;
    {
        ReplayClock clock;
        Session session(clock, options);
        std::string error;
        ASSERT_TRUE(session.start(error)) << error;
        session.receiver().addReadingSink(&lines);
        std::ifstream capture(std::string(RAVO_SOURCE_DIR) + "/examples/every-family.txt");
        ASSERT_FALSE(replayCapture(capture, session.receiver(), clock).has_value());
        session.receiver().removeReadingSink(&lines);
        ASSERT_TRUE(session.stop(error)) << error;
    }
    std::rewind(json);
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, json)) {
        std::string line(buffer);
        line.pop_back();
        if (line.rfind("{\"time\"", 0) != 0) continue;  // bad frames have their own table
        const size_t at = line.find("\"address\":") + 10;
        const size_t family = line.find("\"family\":\"") + 10;
        families.insert(line.substr(family, line.find('"', family) - family));
        expected[std::stoi(line.substr(at))].push_back(withoutLine(line));
    }
    std::fclose(json);
    EXPECT_GE(families.size(), 20u);  // the capture holds every family
    // As the session left them (in arrival order), and once sorted in.
    for (const char* when : {"as written", "sorted in"}) {
        if (when == std::string("sorted in")) moveAll();
        for (const auto& [address, readings] : expected) EXPECT_EQ(storedJson(address), readings) << when << address;
    }
    EXPECT_GT(count("SELECT count(*) FROM bad_frames"), 0);
}

TEST_F(HistoryTest, TheSessionKeepsSilenceAndConnectionEvents) {
    SessionOptions options;
    options.program = "ravo-test";
    options.screen = ScreenOptions{};
    options.historyPath = path;
    options.silence = SilencePolicy::fixed(30);
    SettableClock clock(LocalTime{2026, 12, 10, 8, 0, 0, 0});
    const std::string frame = test::withCrc(test::bytes({0x82, 0x00, 0x04, 0xD2, 0x01, 0x00, 0x28, 0x00, 0x00}));
    {
        Session session(clock, options);
        std::string error;
        ASSERT_TRUE(session.start(error)) << error;
        for (const int second : {0, 100}) {
            clock.set({2026, 12, 10, 8, second / 60, second % 60, 0});
            session.receiver().receive(frame);
            drainReceiveBuffer(session.receiver(), clock.now());
            session.everySecond();
        }
        session.connectionEvent(ConnectionEvent::Kind::Lost, "/dev/ttyUSB0");
        ASSERT_TRUE(session.stop(error)) << error;
    }
    SqliteDb db;
    std::string error;
    ASSERT_TRUE(db.open(path, true, false, error)) << error;
    SqliteStatement s;
    ASSERT_TRUE(s.prepare(db, "SELECT event, ifnull(address, ''), ifnull(device, '') FROM events ORDER BY id", error));
    std::vector<std::string> events;
    while (s.step() == SQLITE_ROW)
        events.push_back(std::string(s.text(0)) + " " + std::string(s.text(1)) + " " + std::string(s.text(2)));
    EXPECT_EQ(events, (std::vector<std::string>{"silent 1234 ", "back 1234 ", "connection_lost  /dev/ttyUSB0"}));
    EXPECT_EQ(count("SELECT count(*) FROM all_readings"), 2);
}

// Readings of transmitter `address` at the given local times, into a store.
void storeAt(HistoryStore& store, std::int32_t address, const std::vector<LocalTime>& times) {
    Reading r;
    r.family = "temperature";
    r.type = 0x82;
    r.address = address;
    for (const LocalTime& t : times) {
        r.time = t;
        store.reading(r);
    }
}

TEST_F(HistoryTest, RetentionCountsBackFromTheNewestReading) {
    HistorySettings settings;
    settings.path = path;
    settings.retentionDays = 2;
    settings.pruneBatch = 3;  // several batches
    {
        HistoryStore store(settings);
        std::string error;
        ASSERT_TRUE(store.open(error)) << error;
        std::vector<LocalTime> times;
        for (int day = 1; day <= 9; ++day) times.push_back({2026, 3, day, 12, 0, 0, 0});
        times.push_back({2026, 3, 7, 11, 59, 59, 999});  // a millisecond before the cutoff
        storeAt(store, 7, times);
        storeAt(store, 8, {{2026, 3, 2, 0, 0, 0, 0}});
        store.close();
        EXPECT_EQ(store.lost(), 0u);
    }
    // Kept: 7th 12:00 (the cutoff itself) to the 9th, years after the wall clock's.
    EXPECT_EQ(count("SELECT count(*) FROM all_readings WHERE address = 7"), 3);
    EXPECT_EQ(count("SELECT count(*) FROM all_readings WHERE address = 8"), 0);
    const std::vector<std::string> left = storedJson(7);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_NE(left[0].find("-03-07T12:00:00.000"), std::string::npos) << left[0];
}

TEST_F(HistoryTest, FilesItCannotUseAreRefusedWithTheirReason) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> make;
        std::string reason;
    };
    const auto sql = [](const char* statements) {
        return [statements](const std::string& p) {
            SqliteDb db;
            std::string error;
            ASSERT_TRUE(db.open(p, false, true, error)) << error;
            ASSERT_TRUE(db.exec(statements, error)) << error;
        };
    };
    const Case cases[] = {
        {"a newer schema", sql("CREATE TABLE t(x); PRAGMA application_id=1380013647; PRAGMA user_version=7;"),
         "has history schema version 7, newer than this program's (" + std::to_string(kHistorySchemaVersion) + ")"},
        {"another program's database", sql("CREATE TABLE t(x);"), "is not a history store of this program"},
        {"no database at all", [](const std::string& p) { std::ofstream(p) << std::string(5000, 'x'); },
         "file is not a database"},
        {"a folder that is missing", [](const std::string&) {}, "cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string p = std::string(c.what) == "a folder that is missing"
                                  ? (dir / "no" / "such" / "h.sqlite").string()
                                  : (dir / (std::string(c.what) + ".sqlite")).string();
        c.make(p);
        HistorySettings settings;
        settings.path = p;
        HistoryStore store(settings);
        std::string error;
        EXPECT_FALSE(store.open(error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        HistoryReader reader;
        std::string readerError;
        EXPECT_FALSE(reader.open(p, readerError));
    }
}

TEST_F(HistoryTest, ALockedFileIsToldOnceAndWhatItLosesIsCounted) {
    HistorySettings settings;
    settings.path = path;
    settings.busyTimeoutMs = 50;
    HistoryStore store(settings);
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    // Another program holds the file's write lock.
    SqliteDb other;
    ASSERT_TRUE(other.open(path, false, false, error)) << error;
    ASSERT_TRUE(other.exec("BEGIN EXCLUSIVE", error)) << error;
    for (int i = 0; i < 3; ++i) {
        storeAt(store, 9, {{2026, 3, 1, 12, i, 0, 0}});
        store.sync();
    }
    EXPECT_EQ(store.lost(), 3u);
    const std::vector<std::string> told = store.takeProblems();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("database is locked"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find(path), std::string::npos) << told[0];
    // Released: writing goes on.
    ASSERT_TRUE(other.exec("ROLLBACK", error)) << error;
    other.close();
    storeAt(store, 9, {{2026, 3, 1, 13, 0, 0, 0}});
    store.sync();
    EXPECT_EQ(store.stored(), 1u);
    store.close();
    const std::vector<std::string> atClose = store.takeProblems();
    ASSERT_EQ(atClose.size(), 1u);
    EXPECT_NE(atClose[0].find("3 readings and events could not be stored"), std::string::npos) << atClose[0];
}

TEST_F(HistoryTest, AReaderReadsWhileTheWriterWrites) {
    HistorySettings settings;
    settings.path = path;
    settings.commitAfter = std::chrono::milliseconds(5);
    // Readings are sorted in while the reader reads, a few at a time.
    settings.moveBatch = 64;
    settings.moveAfter = std::chrono::milliseconds(1);
    HistoryStore store(settings);
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    constexpr int kReadings = 3000;
    std::atomic<bool> done = false;
    std::thread writer([&] {
        for (int i = 0; i < kReadings; ++i) {
            storeAt(store, 5, {fromWallMillis(wallMillis({2026, 3, 1}) + i * 1000LL)});
            if (i % 300 == 0) store.sync();
        }
        store.sync();
        done = true;
    });
    // Each look sees a whole number of commits: as many rows as the last reading's
    // time says, never fewer than the look before.
    std::size_t seen = 0, looks = 0;
    while (!done || looks == 0) {
        HistoryReader reader;
        ASSERT_TRUE(reader.open(path, error) || error.find("holds no history yet") != std::string::npos) << error;
        if (!error.empty()) {
            error.clear();
            continue;
        }
        std::vector<TransmitterHistory> all;
        ASSERT_TRUE(reader.transmitters(all, error)) << error;
        if (all.empty()) continue;
        ASSERT_GE(all[0].readings, seen);
        seen = all[0].readings;
        EXPECT_EQ(static_cast<std::int64_t>(seen - 1) * 1000, all[0].last.utcMs - all[0].first.utcMs);
        ++looks;
    }
    writer.join();
    store.close();
    EXPECT_EQ(storedJson(5).size(), static_cast<size_t>(kReadings));
    EXPECT_GT(count("SELECT count(*) FROM readings"), 0);  // some were sorted in meanwhile
}

// The log is copied back into the file beside the writer: it stays within its
// bound however long the writer writes, and is gone once the store is closed.
TEST_F(HistoryTest, TheLogStaysSmallAndIsGoneAtTheEnd) {
    HistorySettings settings;
    settings.path = path;
    settings.checkpointPages = 8;
    settings.walLimitPages = 64;
    settings.commitItems = 400;
    settings.moveBatch = 1 << 30;  // no sorting in: a batch of it is one large transaction
    HistoryStore store(settings);
    std::string error;
    ASSERT_TRUE(store.open(error)) << error;
    constexpr int kRounds = 40, kEach = 500;
    std::uintmax_t largest = 0;
    for (int round = 0; round < kRounds; ++round) {
        for (int i = 0; i < kEach; ++i)
            storeAt(store, 1000 + i, {fromWallMillis(wallMillis({2026, 3, 1}) + round * 60000LL)});
        store.sync();
        largest = std::max(largest, fs::file_size(path + "-wal"));
    }
    store.close();
    EXPECT_EQ(store.lost(), 0u);
    // Unchecked, the log would hold every page written: several hundred.
    EXPECT_LE(largest, 2u * 64u * (4096u + 24u));
    EXPECT_FALSE(fs::exists(path + "-wal"));
    EXPECT_EQ(count("SELECT count(*) FROM all_readings"), kRounds * kEach);
}

TEST_F(HistoryTest, AStoreOfTheFirstVersionIsBroughtUpToDate) {
    // A file as the first version of the store left it: its tables and a reading.
    {
        SqliteDb db;
        std::string error;
        ASSERT_TRUE(db.open(path, false, true, error)) << error;
        ASSERT_TRUE(db.exec(R"sql(
CREATE TABLE kinds(id INTEGER PRIMARY KEY, family TEXT NOT NULL, fields TEXT NOT NULL, UNIQUE(family, fields));
CREATE TABLE sources(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);
CREATE TABLE readings(address INTEGER NOT NULL, time_ms INTEGER NOT NULL, seq INTEGER NOT NULL,
  utc_offset INTEGER NOT NULL, kind INTEGER NOT NULL REFERENCES kinds(id), type INTEGER, status INTEGER,
  band INTEGER, battery_low INTEGER, firmware INTEGER, s_level REAL, vals TEXT NOT NULL,
  source INTEGER REFERENCES sources(id), source_line INTEGER, PRIMARY KEY(address, time_ms, seq)) WITHOUT ROWID;
CREATE INDEX readings_by_time ON readings(time_ms);
CREATE UNIQUE INDEX readings_by_source ON readings(source, source_line) WHERE source IS NOT NULL;
CREATE TABLE bad_frames(id INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL, utc_offset INTEGER NOT NULL,
  bytes TEXT NOT NULL, line TEXT NOT NULL);
CREATE INDEX bad_frames_by_time ON bad_frames(time_ms);
CREATE TABLE events(id INTEGER PRIMARY KEY, time_ms INTEGER NOT NULL, utc_offset INTEGER NOT NULL,
  event TEXT NOT NULL, address INTEGER, family TEXT, last_heard_ms INTEGER, device TEXT);
CREATE INDEX events_by_time ON events(time_ms);
CREATE VIEW reading_values AS
  SELECT r.address, r.time_ms, r.seq, k.family, f.value AS field, json_extract(r.vals, '$[' || f.key || ']') AS value
  FROM readings r JOIN kinds k ON k.id = r.kind, json_each(k.fields) f;
INSERT INTO kinds VALUES(1, 'temperature', '["temperature_c"]');
INSERT INTO readings(address, time_ms, seq, utc_offset, kind, type, status, band, vals)
  VALUES(9, 1772366400000, 0, 60, 1, 130, 0, 1, '[21.5]');
PRAGMA application_id=1380013647;
PRAGMA user_version=1;
)sql",
                            error))
            << error;
    }
    // A reader of this version asks for a writer first; the writer brings it up to
    // date and adds a reading of the same transmitter and millisecond.
    HistoryReader early;
    std::string error;
    EXPECT_FALSE(early.open(path, error));
    EXPECT_NE(error.find("older history schema version 1"), std::string::npos) << error;
    {
        HistorySettings settings;
        settings.path = path;
        HistoryStore store(settings);
        ASSERT_TRUE(store.open(error)) << error;
        storeAt(store, 9, {{2026, 3, 1, 13, 0, 0, 0}});
        store.close();
        EXPECT_EQ(store.lost(), 0u);
    }
    EXPECT_EQ(count("PRAGMA user_version"), kHistorySchemaVersion);
    for (const char* when : {"as written", "sorted in"}) {
        if (when == std::string("sorted in")) moveAll();
        const std::vector<std::string> lines = storedJson(9);
        ASSERT_EQ(lines.size(), 2u) << when;
        EXPECT_NE(lines[0].find("\"temperature_c\":21.5"), std::string::npos) << when << lines[0];
        // The views for other programs see both (the second reading has no fields).
        EXPECT_EQ(count("SELECT count(*) FROM all_readings WHERE address = 9"), 2) << when;
        EXPECT_EQ(count("SELECT count(*) FROM reading_values WHERE address = 9 AND value = 21.5"), 1) << when;
    }
}

}  // namespace
}  // namespace ravo
