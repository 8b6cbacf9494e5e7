// Reading a history store on a connection of its own, read-only, while a writer
// may be writing (WAL): the transmitters in it, and one transmitter's readings
// over a span of time, in time order (the readings are kept in the order of
// address and time, so one transmitter's year is one stretch of the file; the
// newest wait in arrival order until the writer has sorted them in, and are read
// from there).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/HistoryTime.h"
#include "history/SqliteDb.h"

namespace ravo {

struct TransmitterHistory {
    std::int32_t address = 0;
    std::string family;  // that of its newest reading
    StoredTime first, last;
    std::uint64_t readings = 0;
};

// One reading as stored: the common fields (absent where the store has none, as
// for an imported log row) and its family fields as the JSON lines wrote them.
struct StoredReading {
    StoredTime time;
    std::int32_t address = 0;
    std::string_view family;
    std::optional<int> type, status;
    std::optional<bool> vhf, batteryLow;
    std::optional<int> firmware;
    std::optional<double> sLevel;
    const std::vector<std::string>* names = nullptr;  // the field names, in order
    std::vector<std::string_view> values;             // JSON texts, one per name
    std::string_view source;                          // an imported log's file name, else empty
    std::int64_t sourceLine = 0;
};

// One transmitter's readings with from <= time < to (Unix ms).
struct ReadingSpan {
    std::int32_t address = 0;
    std::optional<std::int64_t> fromMs, toMs;
};

class HistoryReader {
public:
    // Opens an existing store read-only. False with a one-line reason (missing
    // file, not a store, a newer schema).
    bool open(const std::string& path, std::string& error);

    bool transmitters(std::vector<TransmitterHistory>& out, std::string& error);
    // Every field name the span's readings carry, in the order the kinds were
    // first stored and their fields within each.
    bool fieldNames(const ReadingSpan& span, std::vector<std::string>& out, std::string& error);
    // Calls `each` per reading in time order; `each` returns false to stop.
    bool readings(const ReadingSpan& span, const std::function<bool(const StoredReading&)>& each, std::string& error);

private:
    bool loadKinds(std::string& error);
    const std::string* familyOf(std::int64_t kind) const;
    void bindSpan(SqliteStatement& s, const ReadingSpan& span);

    SqliteDb db_;
    struct Kind {
        std::string family;
        std::vector<std::string> names;
    };
    std::vector<std::pair<std::int64_t, Kind>> kinds_;
    std::vector<std::pair<std::int64_t, std::string>> sources_;
};

// The top-level elements of a JSON array of scalars, as texts. False when the
// text is no such array.
bool splitJsonArray(std::string_view text, std::vector<std::string_view>& out);

}  // namespace ravo
