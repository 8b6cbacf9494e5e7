#include "history/HistorySchema.h"

namespace ravo {
namespace {

// What turns a store of version i into one of version i + 1. The first creates
// the tables in an empty file; a later change of the tables appends its step.
constexpr const char* kSteps[] = {
    R"sql(
CREATE TABLE kinds(
  id INTEGER PRIMARY KEY,
  family TEXT NOT NULL,
  fields TEXT NOT NULL,
  UNIQUE(family, fields));
CREATE TABLE sources(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE);
CREATE TABLE readings(
  address INTEGER NOT NULL,
  time_ms INTEGER NOT NULL,
  seq INTEGER NOT NULL,
  utc_offset INTEGER NOT NULL,
  kind INTEGER NOT NULL REFERENCES kinds(id),
  type INTEGER,
  status INTEGER,
  band INTEGER,
  battery_low INTEGER,
  firmware INTEGER,
  s_level REAL,
  vals TEXT NOT NULL,
  source INTEGER REFERENCES sources(id),
  source_line INTEGER,
  PRIMARY KEY(address, time_ms, seq)) WITHOUT ROWID;
CREATE INDEX readings_by_time ON readings(time_ms);
CREATE UNIQUE INDEX readings_by_source ON readings(source, source_line) WHERE source IS NOT NULL;
CREATE TABLE bad_frames(
  id INTEGER PRIMARY KEY,
  time_ms INTEGER NOT NULL,
  utc_offset INTEGER NOT NULL,
  bytes TEXT NOT NULL,
  line TEXT NOT NULL);
CREATE INDEX bad_frames_by_time ON bad_frames(time_ms);
CREATE TABLE events(
  id INTEGER PRIMARY KEY,
  time_ms INTEGER NOT NULL,
  utc_offset INTEGER NOT NULL,
  event TEXT NOT NULL,
  address INTEGER,
  family TEXT,
  last_heard_ms INTEGER,
  device TEXT);
CREATE INDEX events_by_time ON events(time_ms);
CREATE VIEW reading_values AS
  SELECT r.address, r.time_ms, r.seq, k.family, f.value AS field, json_extract(r.vals, '$[' || f.key || ']') AS value
  FROM readings r JOIN kinds k ON k.id = r.kind, json_each(k.fields) f;
)sql",
    // Readings arrive in a table of their own, in arrival order (an append costs
    // the same whatever the number of transmitters), and are moved into `readings`,
    // in the order of address and time, while the writer has nothing else to do.
    // Their seq there is their id here plus 1000, so it never meets one of the
    // first version's or of an imported row (both below 1000).
    R"sql(
CREATE TABLE recent(
  id INTEGER PRIMARY KEY,
  address INTEGER NOT NULL,
  time_ms INTEGER NOT NULL,
  utc_offset INTEGER NOT NULL,
  kind INTEGER NOT NULL REFERENCES kinds(id),
  type INTEGER,
  status INTEGER,
  band INTEGER,
  battery_low INTEGER,
  firmware INTEGER,
  s_level REAL,
  vals TEXT NOT NULL);
CREATE TABLE marks(
  name TEXT PRIMARY KEY,
  value INTEGER NOT NULL) WITHOUT ROWID;
CREATE VIEW all_readings AS
  SELECT address, time_ms, seq, utc_offset, kind, type, status, band, battery_low, firmware, s_level, vals,
         source, source_line FROM readings
  UNION ALL
  SELECT address, time_ms, id + 1000, utc_offset, kind, type, status, band, battery_low, firmware, s_level, vals,
         NULL, NULL FROM recent;
DROP VIEW reading_values;
CREATE VIEW reading_values AS
  SELECT r.address, r.time_ms, r.seq, k.family, f.value AS field, json_extract(r.vals, '$[' || f.key || ']') AS value
  FROM all_readings r JOIN kinds k ON k.id = r.kind, json_each(k.fields) f;
)sql",
};
static_assert(std::size(kSteps) == kHistorySchemaVersion);

bool readMarks(SqliteDb& db, std::int64_t& version, std::int64_t& application, std::int64_t& tables,
               std::string& error) {
    return db.integer("PRAGMA user_version", version, error) &&
           db.integer("PRAGMA application_id", application, error) &&
           db.integer("SELECT count(*) FROM sqlite_schema", tables, error);
}

// Why the file cannot be used as it is, or "" when its marks are fine.
std::string refusal(const std::string& path, std::int64_t version, std::int64_t application, std::int64_t tables) {
    if (application != kHistoryApplicationId && (application != 0 || tables != 0))
        return path + " is not a history store of this program";
    if (version > kHistorySchemaVersion)
        return path + " has history schema version " + std::to_string(version) + ", newer than this program's (" +
               std::to_string(kHistorySchemaVersion) + "); use a newer ravo-cli or another file";
    return {};
}

std::string unreadable(const std::string& path, const std::string& why) {
    // "file is not a database" is what SQLite says of a damaged or foreign file.
    return "cannot use " + path + " as a history store: " + why;
}

}  // namespace

bool prepareHistoryWriter(SqliteDb& db, const std::string& path, int busyTimeoutMs, std::string& error) {
    std::string why;
    sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    std::int64_t version = 0, application = 0, tables = 0;
    if (!readMarks(db, version, application, tables, why)) {
        error = unreadable(path, why);
        return false;
    }
    if (error = refusal(path, version, application, tables); !error.empty()) return false;
    // WAL: readers read while the writer writes. NORMAL: a commit reaches the
    // operating system at once (a killed program loses nothing committed); only
    // a checkpoint waits for the disk. Checkpoints every 8 MiB of log (the store
    // runs them on a thread of its own). An 8 MiB cache: new readings are
    // appended, and sorting them in touches few pages per transmitter; a larger
    // cache only cost the time to fault its memory in. The log file is cut back
    // to 16 MiB after a checkpoint.
    if (!db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF; PRAGMA "
                 "cache_size=-8192; PRAGMA wal_autocheckpoint=2048; PRAGMA journal_size_limit=16777216;",
                 why)) {
        error = unreadable(path, why);
        return false;
    }
    if (version == kHistorySchemaVersion) return true;
    if (!db.exec("BEGIN IMMEDIATE", why)) {
        error = unreadable(path, why);
        return false;
    }
    // Another writer may have done it meanwhile.
    if (!db.integer("PRAGMA user_version", version, why)) {
        db.exec("ROLLBACK", why);
        error = unreadable(path, why);
        return false;
    }
    for (std::int64_t v = version; v < kHistorySchemaVersion; ++v) {
        if (!db.exec(kSteps[v], why)) {
            std::string ignored;
            db.exec("ROLLBACK", ignored);
            error = "cannot bring " + path + " to history schema version " + std::to_string(v + 1) + ": " + why;
            return false;
        }
    }
    const std::string marks = "PRAGMA user_version=" + std::to_string(kHistorySchemaVersion) +
                              "; PRAGMA application_id=" + std::to_string(kHistoryApplicationId) + ";";
    if (!db.exec(marks.c_str(), why) || !db.exec("COMMIT", why)) {
        std::string ignored;
        db.exec("ROLLBACK", ignored);
        error = unreadable(path, why);
        return false;
    }
    return true;
}

bool prepareHistoryReader(SqliteDb& db, const std::string& path, std::string& error) {
    sqlite3_busy_timeout(db.get(), kHistoryBusyTimeoutMs);
    std::string why;
    std::int64_t version = 0, application = 0, tables = 0;
    if (!readMarks(db, version, application, tables, why)) {
        error = unreadable(path, why);
        return false;
    }
    if (error = refusal(path, version, application, tables); !error.empty()) return false;
    if (version < kHistorySchemaVersion) {
        error = version == 0 ? path + " holds no history yet"
                             : path + " has the older history schema version " + std::to_string(version) +
                                   "; a run that writes it (ravo-cli decode --history) brings it up to date";
        return false;
    }
    return true;
}

}  // namespace ravo
