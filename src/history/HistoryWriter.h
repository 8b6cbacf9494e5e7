// The writing side of a history store on one connection: readings with their
// fields, bad frames and events, each kind of field list once in `kinds`, in
// transactions the caller opens and commits; and the pruning of what is older
// than the retention. Used by the store's own thread and by the log import.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "history/HistorySchema.h"
#include "history/HistoryTime.h"
#include "history/SqliteDb.h"
#include "readings/JsonWriter.h"
#include "readings/Reading.h"

namespace ravo {

// A transmitter of the registry fell silent, or is heard again.
struct TransmitterEvent {
    enum class Kind { Silent, Back };
    Kind kind = Kind::Silent;
    std::int32_t address = 0;
    std::string family;
    LocalTime lastHeard;  // the reading before the silence, or the one that ended it
    LocalTime time;       // when the registry saw the change
};

// A row of a reading log, as the log holds it.
struct ImportedRow {
    StoredTime time;
    std::int32_t address = 0;
    int status = 0;
    std::optional<double> sLevel;
    std::string_view kindFields;  // JSON array of the field names
    std::string_view values;      // JSON array of the values, in that order
    std::int64_t source = 0;      // id in `sources`
    std::int64_t line = 0;
};

class HistoryWriter {
public:
    // Opens (creating) the store and brings its tables to this version. False
    // with a one-line reason.
    bool open(const std::string& path, std::string& error, int busyTimeoutMs = kHistoryBusyTimeoutMs);
    void close();
    bool isOpen() const { return static_cast<bool>(db_); }

    bool begin(std::string& error);
    bool commit(std::string& error);
    // Also forgets what the transaction added to the cache of kinds.
    void rollback();

    // The reading with its family fields (family, type, band, flags, S level).
    bool addReading(const Reading& r, std::string& error);
    bool addBadFrame(const BadFrameEvent& e, std::string& error);
    bool addConnection(const ConnectionEvent& e, std::string& error);
    bool addTransmitterEvent(const TransmitterEvent& e, std::string& error);

    // An imported log row: false with `error` on a failure; `added` false when
    // the row of that source and line is already in the store.
    bool addImported(const ImportedRow& row, bool& added, std::string& error);
    // The id of an imported file's name, added when new.
    bool sourceId(std::string_view name, std::int64_t& id, std::string& error);

    // Moves at most `batch` of the oldest rows of `recent` into `readings`, in the
    // transaction the caller opened; `more`: some are left.
    bool moveRecent(std::int64_t batch, bool& more, std::string& error);
    // Whether `recent` holds rows to move.
    bool hasRecent(bool& any, std::string& error);

    // Deletes at most `batch` rows of each table older than `cutoffMs`; `more`:
    // some table may hold older rows still.
    bool prune(std::int64_t cutoffMs, std::int64_t batch, bool& more, std::string& error);
    // The newest reading's time in the store, if any.
    bool newestReading(std::optional<std::int64_t>& ms, std::string& error);

    int lastCode() const { return db_.lastCode(); }

    // From now on this connection never copies the log back into the file at a
    // commit (another connection does, see HistoryCheckpointer); walPages() tells
    // how many pages the log held after the last commit.
    void leaveCheckpoints();
    int walPages() const { return walPages_; }

private:
    bool prepareStatements(std::string& error);
    // The id of `family` with the field list `fields` (a JSON array), added when new.
    bool kindId(std::string_view family, std::string_view fields, std::int64_t& id, std::string& error);
    // Inserts the row bound in insertReading_ (all but seq), taking the next free
    // seq for its address and millisecond. `duplicateSource`: the row's source
    // and line are there already.
    bool insertBound(bool& duplicateSource, std::string& error);
    bool addEvent(const StoredTime& t, std::string_view event, std::optional<std::int32_t> address,
                  std::string_view family, std::optional<std::int64_t> lastHeardMs, std::string_view device,
                  std::string& error);
    std::string failure(const char* what) const;

    SqliteDb db_;
    // The id of the next row of `recent`: above every id it holds and every one
    // already moved, looked up at the start of each transaction (another writer
    // may have written meanwhile).
    bool refreshNextId(std::string& error);
    // Readings are inserted into `recent` kRowsPerInsert to a statement: each
    // waits in `pending_` until that many do, or until anything else reads or
    // commits (which flush them first).
    bool flushPending(std::string& error);

    static constexpr int kRowsPerInsert = 32;
    struct PendingRow {
        std::int64_t id = 0, address = 0, timeMs = 0, offset = 0, kind = 0, type = 0, status = 0, band = 0;
        std::optional<std::int64_t> batteryLow, firmware;
        std::optional<double> sLevel;
        std::string vals;
    };
    PendingRow pending_[kRowsPerInsert];
    int pendingCount_ = 0;

    SqliteStatement insertReading_, insertRecent_, insertRecentRows_, insertKind_, selectKind_, insertBad_,
        insertEvent_, insertSource_, selectSource_;
    SqliteStatement pruneReadings_, pruneRecent_, pruneBad_, pruneEvents_, newest_;
    SqliteStatement firstRecent_, moveRecent_, dropRecent_, markMoved_, lastId_;
    std::int64_t nextId_ = 1;
    int walPages_ = 0;
    // No row of `recent` is older than this (none when empty): retention scans
    // that table, which has no time index, only when it may hold something to delete.
    std::optional<std::int64_t> recentOldestMs_;
    // Kinds by family and field list (text key), and by family and field
    // declarations (the key of a live reading, bytes of its pointers).
    std::unordered_map<std::string, std::int64_t> kinds_;
    std::unordered_map<std::string, std::int64_t> liveKinds_;
    std::string key_;
    JsonWriter values_, names_;
};

}  // namespace ravo
