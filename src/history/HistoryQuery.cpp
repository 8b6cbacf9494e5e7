#include "history/HistoryQuery.h"

#include <algorithm>
#include <climits>
#include <nlohmann/json.hpp>

#include "history/HistorySchema.h"

namespace ravo {

bool splitJsonArray(std::string_view text, std::vector<std::string_view>& out) {
    out.clear();
    size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    };
    skipBlanks();
    if (i >= text.size() || text[i] != '[') return false;
    ++i;
    skipBlanks();
    if (i < text.size() && text[i] == ']') return i + 1 == text.size();
    for (;;) {
        skipBlanks();
        const size_t start = i;
        if (i < text.size() && text[i] == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i)
                if (text[i] == '\\') ++i;
            if (i >= text.size()) return false;
            ++i;
        } else {
            while (i < text.size() && text[i] != ',' && text[i] != ']' && text[i] != ' ') ++i;
        }
        if (i == start) return false;
        out.push_back(text.substr(start, i - start));
        skipBlanks();
        if (i >= text.size()) return false;
        if (text[i] == ']') return i + 1 == text.size();
        if (text[i] != ',') return false;
        ++i;
    }
}

bool HistoryReader::open(const std::string& path, std::string& error) {
    std::string why;
    if (!db_.open(path, true, false, why)) {
        error = "cannot open " + path + ": " + why;
        return false;
    }
    return prepareHistoryReader(db_, path, error) && loadKinds(error);
}

bool HistoryReader::loadKinds(std::string& error) {
    SqliteStatement s;
    if (!s.prepare(db_, "SELECT id, family, fields FROM kinds ORDER BY id", error)) return false;
    kinds_.clear();
    std::vector<std::string_view> names;
    while (s.step() == SQLITE_ROW) {
        Kind k;
        k.family = s.text(1);
        if (!splitJsonArray(s.text(2), names)) {
            error = "a damaged list of fields in the store: " + std::string(s.text(2));
            return false;
        }
        for (std::string_view n : names) k.names.push_back(nlohmann::json::parse(n).get<std::string>());
        kinds_.emplace_back(s.integer(0), std::move(k));
    }
    SqliteStatement src;
    if (!src.prepare(db_, "SELECT id, name FROM sources ORDER BY id", error)) return false;
    sources_.clear();
    while (src.step() == SQLITE_ROW) sources_.emplace_back(src.integer(0), std::string(src.text(1)));
    return true;
}

namespace {

// One snapshot for the statements of a query: readings move from `recent` into
// `readings` while a writer writes, and would otherwise be seen twice or not at all.
class ReadTransaction {
public:
    explicit ReadTransaction(SqliteDb& db) : db_(db), own_(sqlite3_get_autocommit(db.get()) != 0) {
        std::string ignored;
        if (own_) own_ = db_.exec("BEGIN", ignored);
    }
    ~ReadTransaction() {
        std::string ignored;
        if (own_) db_.exec("COMMIT", ignored);
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    SqliteDb& db_;
    bool own_;
};

}  // namespace

const std::string* HistoryReader::familyOf(std::int64_t kind) const {
    for (const auto& [id, k] : kinds_)
        if (id == kind) return &k.family;
    return nullptr;
}

bool HistoryReader::transmitters(std::vector<TransmitterHistory>& out, std::string& error) {
    out.clear();
    const ReadTransaction snapshot(db_);
    SqliteStatement all, first, last, recent;
    if (!all.prepare(db_,
                     "SELECT address, count(*), min(time_ms), max(time_ms) FROM readings GROUP BY address "
                     "ORDER BY address",
                     error) ||
        !first.prepare(db_, "SELECT utc_offset FROM readings WHERE address = ?1 AND time_ms = ?2 LIMIT 1", error) ||
        !last.prepare(db_,
                      "SELECT r.utc_offset, k.family FROM readings r JOIN kinds k ON k.id = r.kind "
                      "WHERE r.address = ?1 AND r.time_ms = ?2 ORDER BY r.seq DESC LIMIT 1",
                      error) ||
        !recent.prepare(db_, "SELECT address, time_ms, utc_offset, kind FROM recent ORDER BY address, time_ms, id",
                        error))
        return false;
    int rc;
    while ((rc = all.step()) == SQLITE_ROW) {
        TransmitterHistory t;
        t.address = static_cast<std::int32_t>(all.integer(0));
        t.readings = static_cast<std::uint64_t>(all.integer(1));
        t.first.utcMs = all.integer(2);
        t.last.utcMs = all.integer(3);
        first.bind(1, static_cast<std::int64_t>(t.address));
        first.bind(2, t.first.utcMs);
        if (first.step() == SQLITE_ROW) t.first.offsetMinutes = static_cast<int>(first.integer(0));
        first.reset();
        last.bind(1, static_cast<std::int64_t>(t.address));
        last.bind(2, t.last.utcMs);
        if (last.step() == SQLITE_ROW) {
            t.last.offsetMinutes = static_cast<int>(last.integer(0));
            t.family = last.text(1);
        }
        last.reset();
        out.push_back(std::move(t));
    }
    if (rc != SQLITE_DONE) {
        error = db_.lastError();
        return false;
    }
    // The readings still in arrival order, in the order of address and time: the
    // first of an address may come before what `readings` holds of it, the last
    // after (at the same time it is the newer one).
    const std::size_t sorted = out.size();
    TransmitterHistory* t = nullptr;
    while ((rc = recent.step()) == SQLITE_ROW) {
        const auto address = static_cast<std::int32_t>(recent.integer(0));
        const StoredTime time{recent.integer(1), static_cast<int>(recent.integer(2))};
        if (!t || t->address != address) {
            const auto it = std::lower_bound(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(sorted), address,
                                             [](const TransmitterHistory& h, std::int32_t a) { return h.address < a; });
            if (it != out.begin() + static_cast<std::ptrdiff_t>(sorted) && it->address == address) {
                t = &*it;
            } else {
                out.push_back({address, {}, time, time, 0});
                t = &out.back();
            }
            if (time.utcMs < t->first.utcMs) t->first = time;
        }
        ++t->readings;
        if (time.utcMs >= t->last.utcMs || t->family.empty()) {
            t->last = time;
            const std::string* family = familyOf(recent.integer(3));
            if (!family && (!loadKinds(error) || !(family = familyOf(recent.integer(3))))) {
                if (error.empty()) error = "a reading of an unknown kind in the store";
                return false;
            }
            t->family = *family;
        }
    }
    if (rc != SQLITE_DONE) {
        error = db_.lastError();
        return false;
    }
    std::sort(out.begin(), out.end(),
              [](const TransmitterHistory& a, const TransmitterHistory& b) { return a.address < b.address; });
    return true;
}

void HistoryReader::bindSpan(SqliteStatement& s, const ReadingSpan& span) {
    s.bind(1, static_cast<std::int64_t>(span.address));
    s.bind(2, span.fromMs.value_or(INT64_MIN));
    s.bind(3, span.toMs.value_or(INT64_MAX));
}

bool HistoryReader::fieldNames(const ReadingSpan& span, std::vector<std::string>& out, std::string& error) {
    out.clear();
    const ReadTransaction snapshot(db_);
    SqliteStatement s;
    if (!s.prepare(db_,
                   "SELECT kind FROM readings WHERE address = ?1 AND time_ms >= ?2 AND time_ms < ?3 "
                   "UNION SELECT kind FROM recent WHERE address = ?1 AND time_ms >= ?2 AND time_ms < ?3 "
                   "ORDER BY kind",
                   error))
        return false;
    bindSpan(s, span);
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        const std::int64_t id = s.integer(0);
        for (const auto& [kid, kind] : kinds_)
            if (kid == id)
                for (const std::string& n : kind.names)
                    if (std::find(out.begin(), out.end(), n) == out.end()) out.push_back(n);
    }
    if (rc != SQLITE_DONE) error = db_.lastError();
    return rc == SQLITE_DONE;
}

bool HistoryReader::readings(const ReadingSpan& span, const std::function<bool(const StoredReading&)>& each,
                             std::string& error) {
    // What `readings` holds, and what still waits in arrival order (its seq there
    // will be its id plus kRecentSeqBase), merged in the order of time and seq.
    const ReadTransaction snapshot(db_);
    SqliteStatement sorted, recent;
    if (!sorted.prepare(db_,
                        "SELECT time_ms, utc_offset, kind, type, status, band, battery_low, firmware, s_level, vals, "
                        "source, source_line, seq FROM readings WHERE address = ?1 AND time_ms >= ?2 AND "
                        "time_ms < ?3 ORDER BY time_ms, seq",
                        error) ||
        !recent.prepare(db_,
                        "SELECT time_ms, utc_offset, kind, type, status, band, battery_low, firmware, s_level, vals, "
                        "NULL, NULL, id + " +
                            std::to_string(kRecentSeqBase) +
                            " FROM recent WHERE address = ?1 AND time_ms >= ?2 AND time_ms < ?3 ORDER BY time_ms, id",
                        error))
        return false;
    bindSpan(sorted, span);
    bindSpan(recent, span);
    StoredReading r;
    r.address = span.address;
    // Turns the current row of `s` into `r`; false on a damaged row.
    const auto take = [&](SqliteStatement& s) {
        const auto optionalInt = [&s](int col) -> std::optional<int> {
            if (s.isNull(col)) return std::nullopt;
            return static_cast<int>(s.integer(col));
        };
        r.time = {s.integer(0), static_cast<int>(s.integer(1))};
        // The kind and the imported file by their ids; ones a writer added since
        // the names were read send them to be read again (then both are looked up anew).
        const std::int64_t kind = s.integer(2);
        const std::optional<std::int64_t> source = s.isNull(10) ? std::nullopt : std::optional(s.integer(10));
        const auto resolve = [&] {
            const auto k =
                std::find_if(kinds_.begin(), kinds_.end(), [kind](const auto& p) { return p.first == kind; });
            if (k == kinds_.end()) return false;
            r.family = k->second.family;
            r.names = &k->second.names;
            r.source = {};
            if (!source) return true;
            for (const auto& [id, name] : sources_)
                if (id == *source) r.source = name;
            return !r.source.empty();
        };
        if (!resolve() && (!loadKinds(error) || !resolve())) {
            if (error.empty()) error = "a reading of an unknown kind or imported file in the store";
            return false;
        }
        r.sourceLine = source ? s.integer(11) : 0;
        r.type = optionalInt(3);
        r.status = optionalInt(4);
        const std::optional<int> band = optionalInt(5), battery = optionalInt(6);
        r.vhf = band ? std::optional<bool>(*band != 0) : std::nullopt;
        r.batteryLow = battery ? std::optional<bool>(*battery != 0) : std::nullopt;
        r.firmware = optionalInt(7);
        r.sLevel = s.isNull(8) ? std::nullopt : std::optional<double>(s.real(8));
        if (!splitJsonArray(s.text(9), r.values) || r.values.size() != r.names->size()) {
            error = "a damaged reading of " + std::to_string(span.address) + " at " + isoTimeOf(r.time);
            return false;
        }
        return true;
    };
    int a = sorted.step(), b = recent.step();
    while (a == SQLITE_ROW || b == SQLITE_ROW) {
        const bool fromSorted =
            b != SQLITE_ROW || (a == SQLITE_ROW && std::pair(sorted.integer(0), sorted.integer(12)) <
                                                       std::pair(recent.integer(0), recent.integer(12)));
        SqliteStatement& s = fromSorted ? sorted : recent;
        if (!take(s)) return false;
        if (!each(r)) return true;
        (fromSorted ? a : b) = s.step();
    }
    if (a != SQLITE_DONE || b != SQLITE_DONE) {
        error = db_.lastError();
        return false;
    }
    return true;
}

}  // namespace ravo
