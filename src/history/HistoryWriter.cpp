#include "history/HistoryWriter.h"

#include <algorithm>
#include <climits>

#include "common/Latin1.h"
#include "history/HistorySchema.h"
#include "readings/JsonLines.h"

namespace ravo {
namespace {

// Another reading of one address in the same millisecond takes the next seq; so
// many in one millisecond are no real traffic.
constexpr int kMaxSeq = 1000;

constexpr int kRecentColumns = 12;
constexpr const char* kRecentInsert =
    "INSERT INTO recent(id, address, time_ms, utc_offset, kind, type, status, band, battery_low, firmware, s_level, "
    "vals) VALUES";

// `rows` rows of placeholders, numbered on: ?1 to ?12, ?13 to ?24 and so on.
std::string recentInsertSql(int rows) {
    std::string sql = kRecentInsert;
    for (int r = 0; r < rows; ++r) {
        sql += r ? ",(" : "(";
        for (int c = 1; c <= kRecentColumns; ++c) sql += (c > 1 ? ", ?" : "?") + std::to_string(r * kRecentColumns + c);
        sql += ")";
    }
    return sql;
}

}  // namespace

bool HistoryWriter::open(const std::string& path, std::string& error, int busyTimeoutMs) {
    std::string why;
    if (!db_.open(path, false, true, why)) {
        error = "cannot open " + path + ": " + why;
        return false;
    }
    // SQLite opens a write-protected file for reading only, without a word.
    if (sqlite3_db_readonly(db_.get(), "main") == 1) {
        error = "cannot write " + path + ": the file is read-only";
        close();
        return false;
    }
    std::int64_t oldest = 0;
    if (!prepareHistoryWriter(db_, path, busyTimeoutMs, error) || !prepareStatements(error)) {
        close();
        return false;
    }
    if (!db_.integer("SELECT min(time_ms) FROM recent", oldest, why, INT64_MAX)) {
        error = "cannot read " + path + ": " + why;
        close();
        return false;
    }
    recentOldestMs_ = oldest == INT64_MAX ? std::nullopt : std::optional(oldest);
    return true;
}

void HistoryWriter::close() {
    for (SqliteStatement* s :
         {&insertReading_, &insertRecent_, &insertKind_, &selectKind_, &insertBad_, &insertEvent_, &insertSource_,
          &selectSource_, &insertRecentRows_, &pruneReadings_, &pruneRecent_, &pruneBad_, &pruneEvents_, &newest_,
          &firstRecent_, &moveRecent_, &dropRecent_, &markMoved_, &lastId_})
        s->finalize();
    db_.close();
    kinds_.clear();
    liveKinds_.clear();
    pendingCount_ = 0;
}

bool HistoryWriter::prepareStatements(std::string& error) {
    return insertReading_.prepare(db_,
                                  "INSERT INTO readings(address, time_ms, utc_offset, kind, type, status, band, "
                                  "battery_low, firmware, s_level, vals, source, source_line, seq) "
                                  "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)",
                                  error) &&
           insertRecent_.prepare(db_, recentInsertSql(1), error) &&
           insertRecentRows_.prepare(db_, recentInsertSql(kRowsPerInsert), error) &&
           insertKind_.prepare(db_, "INSERT OR IGNORE INTO kinds(family, fields) VALUES(?1, ?2)", error) &&
           selectKind_.prepare(db_, "SELECT id FROM kinds WHERE family = ?1 AND fields = ?2", error) &&
           insertBad_.prepare(db_, "INSERT INTO bad_frames(time_ms, utc_offset, bytes, line) VALUES(?1, ?2, ?3, ?4)",
                              error) &&
           insertEvent_.prepare(db_,
                                "INSERT INTO events(time_ms, utc_offset, event, address, family, last_heard_ms, "
                                "device) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7)",
                                error) &&
           insertSource_.prepare(db_, "INSERT OR IGNORE INTO sources(name) VALUES(?1)", error) &&
           selectSource_.prepare(db_, "SELECT id FROM sources WHERE name = ?1", error) &&
           pruneReadings_.prepare(db_,
                                  "DELETE FROM readings WHERE (address, time_ms, seq) IN (SELECT address, time_ms, "
                                  "seq FROM readings WHERE time_ms < ?1 ORDER BY time_ms LIMIT ?2)",
                                  error) &&
           pruneRecent_.prepare(db_,
                                "DELETE FROM recent WHERE id IN (SELECT id FROM recent WHERE time_ms < ?1 "
                                "ORDER BY id LIMIT ?2)",
                                error) &&
           pruneBad_.prepare(db_,
                             "DELETE FROM bad_frames WHERE id IN (SELECT id FROM bad_frames WHERE time_ms < ?1 "
                             "ORDER BY time_ms LIMIT ?2)",
                             error) &&
           pruneEvents_.prepare(db_,
                                "DELETE FROM events WHERE id IN (SELECT id FROM events WHERE time_ms < ?1 "
                                "ORDER BY time_ms LIMIT ?2)",
                                error) &&
           newest_.prepare(db_,
                           "SELECT max(m) FROM (SELECT max(time_ms) AS m FROM readings "
                           "UNION ALL SELECT max(time_ms) FROM recent)",
                           error) &&
           firstRecent_.prepare(db_, "SELECT min(id) FROM recent", error) &&
           moveRecent_.prepare(db_,
                               "INSERT INTO readings(address, time_ms, seq, utc_offset, kind, type, status, band, "
                               "battery_low, firmware, s_level, vals) "
                               "SELECT address, time_ms, id + " +
                                   std::to_string(kRecentSeqBase) +
                                   ", utc_offset, kind, type, status, band, battery_low, firmware, s_level, vals "
                                   "FROM recent WHERE id <= ?1 ORDER BY address, time_ms, id",
                               error) &&
           dropRecent_.prepare(db_, "DELETE FROM recent WHERE id <= ?1", error) &&
           markMoved_.prepare(db_,
                              "INSERT INTO marks(name, value) VALUES('moved_to', ?1) "
                              "ON CONFLICT(name) DO UPDATE SET value = max(value, excluded.value)",
                              error) &&
           lastId_.prepare(db_,
                           "SELECT max(coalesce((SELECT max(id) FROM recent), 0), "
                           "coalesce((SELECT value FROM marks WHERE name = 'moved_to'), 0))",
                           error);
}

std::string HistoryWriter::failure(const char* what) const { return std::string(what) + ": " + db_.lastError(); }

bool HistoryWriter::begin(std::string& error) {
    if (!db_.exec("BEGIN IMMEDIATE", error)) return false;
    if (refreshNextId(error)) return true;
    rollback();
    return false;
}

bool HistoryWriter::refreshNextId(std::string& error) {
    const int rc = lastId_.step();
    if (rc == SQLITE_ROW) nextId_ = std::max(nextId_, lastId_.integer(0) + 1);
    lastId_.reset();
    if (rc != SQLITE_ROW) error = failure("cannot read the store's last reading");
    return rc == SQLITE_ROW;
}

bool HistoryWriter::commit(std::string& error) {
    if (flushPending(error) && db_.exec("COMMIT", error)) return true;
    rollback();
    return false;
}

void HistoryWriter::rollback() {
    pendingCount_ = 0;
    std::string ignored;
    if (!sqlite3_get_autocommit(db_.get())) db_.exec("ROLLBACK", ignored);
    // Kinds added in the transaction are gone again.
    kinds_.clear();
    liveKinds_.clear();
}

bool HistoryWriter::kindId(std::string_view family, std::string_view fields, std::int64_t& id, std::string& error) {
    std::string key(family);
    key.push_back('\0');
    key.append(fields);
    if (const auto it = kinds_.find(key); it != kinds_.end()) {
        id = it->second;
        return true;
    }
    insertKind_.bindStatic(1, family);
    insertKind_.bindStatic(2, fields);
    const int rc = insertKind_.step();
    insertKind_.reset();
    if (rc != SQLITE_DONE) {
        error = failure("cannot add a kind of reading");
        return false;
    }
    selectKind_.bindStatic(1, family);
    selectKind_.bindStatic(2, fields);
    const bool found = selectKind_.step() == SQLITE_ROW;
    if (found) id = selectKind_.integer(0);
    selectKind_.reset();
    if (!found) {
        error = failure("cannot find a kind of reading");
        return false;
    }
    kinds_.emplace(std::move(key), id);
    return true;
}

bool HistoryWriter::insertBound(bool& duplicateSource, std::string& error) {
    duplicateSource = false;
    for (int seq = 0; seq < kMaxSeq; ++seq) {
        insertReading_.bind(14, static_cast<std::int64_t>(seq));
        const int rc = insertReading_.step();
        sqlite3_reset(insertReading_.get());
        if (rc == SQLITE_DONE) break;
        if (rc == SQLITE_CONSTRAINT_PRIMARYKEY) continue;
        if (rc == SQLITE_CONSTRAINT_UNIQUE) {
            duplicateSource = true;
            break;
        }
        error = failure("cannot store a reading");
        sqlite3_clear_bindings(insertReading_.get());
        return false;
    }
    sqlite3_clear_bindings(insertReading_.get());
    return true;
}

bool HistoryWriter::addReading(const Reading& r, std::string& error) {
    // The kind: by the pointers of the field declarations, else by their names.
    key_.assign(r.family);
    key_.push_back('\0');
    for (const ReadingField& f : r.fields) key_.append(reinterpret_cast<const char*>(&f.decl), sizeof f.decl);
    std::int64_t kind = 0;
    if (const auto it = liveKinds_.find(key_); it != liveKinds_.end()) {
        kind = it->second;
    } else {
        names_.clear();
        names_.character('[');
        for (size_t i = 0; i < r.fields.size(); ++i) {
            if (i) names_.character(',');
            names_.string(r.fields[i].name());
        }
        names_.character(']');
        if (!kindId(r.family, names_.text(), kind, error)) return false;
        liveKinds_.emplace(key_, kind);
    }
    values_.clear();
    values_.character('[');
    for (size_t i = 0; i < r.fields.size(); ++i) {
        if (i) values_.character(',');
        writeFieldValue(values_, r.fields[i].value);
    }
    values_.character(']');

    const StoredTime t = storedTime(r.time);
    if (!recentOldestMs_ || t.utcMs < *recentOldestMs_) recentOldestMs_ = t.utcMs;
    PendingRow& row = pending_[pendingCount_++];
    row.id = nextId_++;
    row.address = r.address;
    row.timeMs = t.utcMs;
    row.offset = t.offsetMinutes;
    row.kind = kind;
    row.type = r.type;
    row.status = r.status;
    row.band = r.vhf ? 1 : 0;
    row.batteryLow = r.batteryLow ? std::optional<std::int64_t>(*r.batteryLow ? 1 : 0) : std::nullopt;
    row.firmware = r.firmware ? std::optional<std::int64_t>(*r.firmware) : std::nullopt;
    row.sLevel = r.sLevel;
    row.vals.assign(values_.text());
    return pendingCount_ < kRowsPerInsert || flushPending(error);
}

bool HistoryWriter::flushPending(std::string& error) {
    const int count = pendingCount_;
    pendingCount_ = 0;
    if (count == 0) return true;
    const bool many = count == kRowsPerInsert;
    for (int from = 0; from < count; from += many ? count : 1) {
        SqliteStatement& s = many ? insertRecentRows_ : insertRecent_;
        for (int i = from; i < (many ? count : from + 1); ++i) {
            const PendingRow& row = pending_[i];
            const int c = (i - from) * kRecentColumns;
            s.bind(c + 1, row.id);
            s.bind(c + 2, row.address);
            s.bind(c + 3, row.timeMs);
            s.bind(c + 4, row.offset);
            s.bind(c + 5, row.kind);
            s.bind(c + 6, row.type);
            s.bind(c + 7, row.status);
            s.bind(c + 8, row.band);
            // Every column is bound, absent ones as NULL, so the statement needs
            // no clearing of its bindings between uses.
            if (row.batteryLow) s.bind(c + 9, *row.batteryLow);
            else s.bindNull(c + 9);
            if (row.firmware) s.bind(c + 10, *row.firmware);
            else s.bindNull(c + 10);
            if (row.sLevel) s.bind(c + 11, *row.sLevel);
            else s.bindNull(c + 11);
            s.bindStatic(c + 12, row.vals);
        }
        const int rc = s.step();
        sqlite3_reset(s.get());
        if (rc != SQLITE_DONE) {
            error = failure("cannot store a reading");
            return false;
        }
    }
    return true;
}

bool HistoryWriter::hasRecent(bool& any, std::string& error) {
    if (!flushPending(error)) return false;
    const int rc = firstRecent_.step();
    any = rc == SQLITE_ROW && !firstRecent_.isNull(0);
    firstRecent_.reset();
    if (rc != SQLITE_ROW) error = failure("cannot read the newest readings");
    return rc == SQLITE_ROW;
}

bool HistoryWriter::moveRecent(std::int64_t batch, bool& more, std::string& error) {
    more = false;
    if (!flushPending(error)) return false;
    int rc = firstRecent_.step();
    const bool any = rc == SQLITE_ROW && !firstRecent_.isNull(0);
    const std::int64_t upTo = any ? firstRecent_.integer(0) + batch - 1 : 0;
    firstRecent_.reset();
    if (rc != SQLITE_ROW) {
        error = failure("cannot read the newest readings");
        return false;
    }
    if (!any) return true;
    for (SqliteStatement* s : {&moveRecent_, &dropRecent_, &markMoved_}) {
        s->bind(1, upTo);
        rc = s->step();
        s->reset();
        if (rc != SQLITE_DONE) {
            error = failure("cannot sort the newest readings into the store");
            return false;
        }
    }
    return hasRecent(more, error);
}

bool HistoryWriter::addImported(const ImportedRow& row, bool& added, std::string& error) {
    std::int64_t kind = 0;
    if (!kindId("csv_log", row.kindFields, kind, error)) return false;
    SqliteStatement& s = insertReading_;
    s.bind(1, static_cast<std::int64_t>(row.address));
    s.bind(2, row.time.utcMs);
    s.bind(3, static_cast<std::int64_t>(row.time.offsetMinutes));
    s.bind(4, kind);
    s.bind(6, static_cast<std::int64_t>(row.status));
    if (row.sLevel) s.bind(10, *row.sLevel);
    s.bindStatic(11, row.values);
    s.bind(12, row.source);
    s.bind(13, row.line);
    bool duplicate = false;
    if (!insertBound(duplicate, error)) return false;
    added = !duplicate;
    return true;
}

bool HistoryWriter::sourceId(std::string_view name, std::int64_t& id, std::string& error) {
    insertSource_.bindStatic(1, name);
    const int rc = insertSource_.step();
    insertSource_.reset();
    selectSource_.bindStatic(1, name);
    const bool found = rc == SQLITE_DONE && selectSource_.step() == SQLITE_ROW;
    if (found) id = selectSource_.integer(0);
    selectSource_.reset();
    if (!found) error = failure("cannot add the name of an imported file");
    return found;
}

bool HistoryWriter::addBadFrame(const BadFrameEvent& e, std::string& error) {
    const StoredTime t = storedTime(e.time);
    insertBad_.bind(1, t.utcMs);
    insertBad_.bind(2, static_cast<std::int64_t>(t.offsetMinutes));
    insertBad_.bindStatic(3, e.bytes);
    insertBad_.bind(4, std::string_view(latin1ToUtf8(e.line)));  // the line is 8-bit text
    const int rc = insertBad_.step();
    insertBad_.reset();
    if (rc != SQLITE_DONE) error = failure("cannot store a bad frame");
    return rc == SQLITE_DONE;
}

bool HistoryWriter::addEvent(const StoredTime& t, std::string_view event, std::optional<std::int32_t> address,
                             std::string_view family, std::optional<std::int64_t> lastHeardMs, std::string_view device,
                             std::string& error) {
    SqliteStatement& s = insertEvent_;
    s.bind(1, t.utcMs);
    s.bind(2, static_cast<std::int64_t>(t.offsetMinutes));
    s.bindStatic(3, event);
    if (address) s.bind(4, static_cast<std::int64_t>(*address));
    if (!family.empty()) s.bindStatic(5, family);
    if (lastHeardMs) s.bind(6, *lastHeardMs);
    if (!device.empty()) s.bindStatic(7, device);
    const int rc = s.step();
    s.reset();
    if (rc != SQLITE_DONE) error = failure("cannot store an event");
    return rc == SQLITE_DONE;
}

bool HistoryWriter::addConnection(const ConnectionEvent& e, std::string& error) {
    const char* what = e.kind == ConnectionEvent::Kind::Lost ? "connection_lost" : "reconnected";
    return addEvent(storedTime(e.time), what, std::nullopt, {}, std::nullopt, e.device, error);
}

bool HistoryWriter::addTransmitterEvent(const TransmitterEvent& e, std::string& error) {
    const char* what = e.kind == TransmitterEvent::Kind::Silent ? "silent" : "back";
    return addEvent(storedTime(e.time), what, e.address, e.family, storedTime(e.lastHeard).utcMs, {}, error);
}

bool HistoryWriter::prune(std::int64_t cutoffMs, std::int64_t batch, bool& more, std::string& error) {
    more = false;
    if (!flushPending(error)) return false;
    const bool recent = recentOldestMs_ && *recentOldestMs_ < cutoffMs;
    for (SqliteStatement* s : {&pruneReadings_, &pruneRecent_, &pruneBad_, &pruneEvents_}) {
        if (s == &pruneRecent_ && !recent) continue;
        s->bind(1, cutoffMs);
        s->bind(2, batch);
        const int rc = s->step();
        s->reset();
        if (rc != SQLITE_DONE) {
            error = failure("cannot delete old history");
            return false;
        }
        if (sqlite3_changes(db_.get()) >= batch) more = true;
        else if (s == &pruneRecent_) recentOldestMs_ = cutoffMs;  // nothing older is left
    }
    return true;
}

void HistoryWriter::leaveCheckpoints() {
    sqlite3_wal_hook(
        db_.get(),
        [](void* self, sqlite3*, const char*, int pages) {
            static_cast<HistoryWriter*>(self)->walPages_ = pages;
            return SQLITE_OK;
        },
        this);
}

bool HistoryWriter::newestReading(std::optional<std::int64_t>& ms, std::string& error) {
    if (!flushPending(error)) return false;
    const int rc = newest_.step();
    ms.reset();
    if (rc == SQLITE_ROW && !newest_.isNull(0)) ms = newest_.integer(0);
    newest_.reset();
    if (rc != SQLITE_ROW) error = failure("cannot read the newest reading's time");
    return rc == SQLITE_ROW;
}

}  // namespace ravo
