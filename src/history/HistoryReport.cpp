#include "history/HistoryReport.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>

#include "readings/FieldDecl.h"
#include "readings/JsonLines.h"
#include "readings/JsonWriter.h"

namespace ravo {
namespace {

std::string csvCell(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// A stored value as a CSV cell: numbers and flags as written, texts unquoted, null empty.
std::string valueCell(std::string_view json) {
    if (json == "null") return {};
    if (!json.empty() && json.front() == '"') return csvCell(nlohmann::json::parse(json).get<std::string>());
    return std::string(json);
}

// A stored value as a number, when it is one.
std::optional<double> numberOf(std::string_view json, bool& whole) {
    if (json.empty() || !(json.front() == '-' || (json.front() >= '0' && json.front() <= '9'))) return std::nullopt;
    const std::string text(json);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size()) return std::nullopt;
    whole = text.find_first_of(".eE") == std::string::npos;
    return v;
}

std::string numberText(double v, bool whole) {
    if (whole && std::fabs(v) < 9.0e15) return std::to_string(static_cast<std::int64_t>(v));
    JsonWriter w;
    w.number(v);
    return std::string(w.text());
}

// The S level as the JSON lines write it.
std::string sLevelJson(double v) {
    JsonWriter w;
    w.number(v);
    return std::string(w.text());
}

// The column of the S level among `columns`, or -1.
int sLevelColumn(const std::vector<std::string>& columns) {
    const auto it = std::find(columns.begin(), columns.end(), kSLevelField.name);
    return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Which of `names` each column is, or -1.
std::vector<int> columnsOf(const std::vector<std::string>& columns, const std::vector<std::string>& names) {
    std::vector<int> at(names.size(), -1);
    for (size_t i = 0; i < names.size(); ++i) {
        const auto it = std::find(columns.begin(), columns.end(), names[i]);
        if (it != columns.end()) at[i] = static_cast<int>(it - columns.begin());
    }
    return at;
}

void writeReadingJson(JsonWriter& w, const StoredReading& r, const std::vector<std::string>& only) {
    w.literal("{\"time\":");
    w.string(isoTimeOf(r.time));
    if (r.type) {
        w.literal(",\"type\":");
        w.integer(*r.type);
    }
    w.literal(",\"family\":");
    w.string(r.family);
    w.literal(",\"address\":");
    w.integer(r.address);
    if (r.status) {
        w.literal(",\"status\":");
        w.integer(*r.status);
    }
    if (r.vhf) {
        if (*r.vhf) w.literal(",\"band\":\"vhf\"");
        else w.literal(",\"band\":\"uhf\"");
    }
    writeFlagsAndLevel(w, r.batteryLow, r.firmware, r.sLevel);
    for (size_t i = 0; i < r.names->size(); ++i) {
        const std::string& name = (*r.names)[i];
        if (!only.empty() && std::find(only.begin(), only.end(), name) == only.end()) continue;
        w.character(',');
        w.string(name);
        w.character(':');
        const std::string_view v = r.values[i];
        for (char c : v) w.character(c);
    }
    if (!r.source.empty()) {
        w.literal(",\"source\":");
        w.string(r.source);
        w.literal(",\"source_line\":");
        w.integer(r.sourceLine);
    }
    w.literal("}\n");
}

struct Stats {
    std::uint64_t n = 0;
    double min = 0, max = 0, sum = 0;
    bool whole = true;
};

struct Interval {
    std::int64_t startMs = 0;
    int offsetMinutes = 0;
    std::uint64_t count = 0;
    std::vector<Stats> fields;
};

bool intervalsReport(HistoryReader& reader, const ReadingsRequest& q, const std::vector<std::string>& columns,
                     bool named, const ReportOut& out, std::string& error) {
    const std::int64_t everyMs = q.everySeconds * 1000;
    std::vector<Interval> intervals;
    std::vector<bool> numeric(columns.size(), named);
    const int sLevelAt = sLevelColumn(columns);
    const bool ok = reader.readings(
        q.span,
        [&](const StoredReading& r) {
            const std::int64_t start = floorDiv(r.time.utcMs, everyMs) * everyMs;
            if (intervals.empty() || intervals.back().startMs != start) {
                intervals.push_back({start, r.time.offsetMinutes, 0, std::vector<Stats>(columns.size())});
            }
            Interval& iv = intervals.back();
            ++iv.count;
            const std::vector<int> at = columnsOf(columns, *r.names);
            const std::string level = sLevelAt >= 0 && r.sLevel ? sLevelJson(*r.sLevel) : std::string();
            for (size_t i = 0; i <= at.size(); ++i) {
                const int column = i < at.size() ? at[i] : level.empty() ? -1 : sLevelAt;
                if (column < 0) continue;
                bool whole = true;
                const std::optional<double> v = numberOf(i < at.size() ? r.values[i] : level, whole);
                if (!v) continue;
                numeric[static_cast<size_t>(column)] = true;
                Stats& s = iv.fields[static_cast<size_t>(column)];
                s.min = s.n ? std::min(s.min, *v) : *v;
                s.max = s.n ? std::max(s.max, *v) : *v;
                s.sum += *v;
                s.whole = s.whole && whole;
                ++s.n;
            }
            return true;
        },
        error);
    if (!ok) return false;

    std::string line;
    if (!q.json) {
        line = "start,count";
        for (size_t c = 0; c < columns.size(); ++c)
            if (numeric[c]) line += "," + columns[c] + "_min," + columns[c] + "_mean," + columns[c] + "_max";
        out(line + "\n");
    }
    JsonWriter w;
    for (const Interval& iv : intervals) {
        const std::string start = isoTimeOf({iv.startMs, iv.offsetMinutes});
        if (q.json) {
            w.clear();
            w.literal("{\"start\":");
            w.string(start);
            w.literal(",\"count\":");
            w.integer(static_cast<std::int64_t>(iv.count));
            for (size_t c = 0; c < columns.size(); ++c) {
                if (!numeric[c]) continue;
                const Stats& s = iv.fields[c];
                const char* suffix[] = {"_min", "_mean", "_max"};
                const double v[] = {s.min, s.n ? s.sum / static_cast<double>(s.n) : 0, s.max};
                for (int k = 0; k < 3; ++k) {
                    w.character(',');
                    w.string(columns[c] + suffix[k]);
                    w.character(':');
                    if (!s.n) w.literal("null");
                    else if (k != 1 && s.whole) w.integer(static_cast<std::int64_t>(v[k]));
                    else w.number(v[k]);
                }
            }
            w.literal("}\n");
            out(w.text());
        } else {
            line = start + "," + std::to_string(iv.count);
            for (size_t c = 0; c < columns.size(); ++c) {
                if (!numeric[c]) continue;
                const Stats& s = iv.fields[c];
                if (!s.n) {
                    line += ",,,";
                    continue;
                }
                line += "," + numberText(s.min, s.whole) + "," + numberText(s.sum / static_cast<double>(s.n), false) +
                        "," + numberText(s.max, s.whole);
            }
            out(line + "\n");
        }
    }
    return true;
}

}  // namespace

std::string transmittersReport(const std::vector<TransmitterHistory>& transmitters, bool json) {
    std::string out;
    if (!json) out = "address,family,first_heard,last_heard,readings\n";
    JsonWriter w;
    for (const TransmitterHistory& t : transmitters) {
        if (json) {
            w.clear();
            w.literal("{\"address\":");
            w.integer(t.address);
            w.literal(",\"family\":");
            w.string(t.family);
            w.literal(",\"first_heard\":");
            w.string(isoTimeOf(t.first));
            w.literal(",\"last_heard\":");
            w.string(isoTimeOf(t.last));
            w.literal(",\"readings\":");
            w.integer(static_cast<std::int64_t>(t.readings));
            w.literal("}\n");
            out += w.text();
        } else {
            out += std::to_string(t.address) + "," + csvCell(t.family) + "," + isoTimeOf(t.first) + "," +
                   isoTimeOf(t.last) + "," + std::to_string(t.readings) + "\n";
        }
    }
    return out;
}

bool readingsReport(HistoryReader& reader, const ReadingsRequest& q, const ReportOut& out, std::string& error) {
    // A named field must be one the transmitter has had at some time.
    std::vector<std::string> known;
    ReadingSpan whole;
    whole.address = q.span.address;
    if (!reader.fieldNames(whole, known, error)) return false;
    for (const std::string& f : q.fields) {
        if (f == kSLevelField.name || std::find(known.begin(), known.end(), f) != known.end()) continue;
        std::string list;
        for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
        error = "transmitter " + std::to_string(q.span.address) + " has no field " + f +
                (known.empty() ? " (no readings at all)" : " (it has " + list + ")");
        return false;
    }
    std::vector<std::string> columns = q.fields;
    if (columns.empty() && !reader.fieldNames(q.span, columns, error)) return false;
    if (q.everySeconds > 0) return intervalsReport(reader, q, columns, !q.fields.empty(), out, error);

    if (q.json) {
        JsonWriter w;
        return reader.readings(
            q.span,
            [&](const StoredReading& r) {
                w.clear();
                writeReadingJson(w, r, q.fields);
                out(w.text());
                return true;
            },
            error);
    }
    std::string line = "time";
    for (const std::string& c : columns) line += "," + csvCell(c);
    out(line + "\n");
    std::vector<std::string> cells(columns.size());
    const int sLevelAt = sLevelColumn(columns);
    return reader.readings(
        q.span,
        [&](const StoredReading& r) {
            for (std::string& c : cells) c.clear();
            const std::vector<int> at = columnsOf(columns, *r.names);
            for (size_t i = 0; i < at.size(); ++i)
                if (at[i] >= 0) cells[static_cast<size_t>(at[i])] = valueCell(r.values[i]);
            if (sLevelAt >= 0 && r.sLevel) cells[static_cast<size_t>(sLevelAt)] = sLevelJson(*r.sLevel);
            line = isoTimeOf(r.time);
            for (const std::string& c : cells) line += "," + c;
            out(line + "\n");
            return true;
        },
        error);
}

}  // namespace ravo
