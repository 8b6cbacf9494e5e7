#include "history/HistoryTime.h"

#include <cstdio>

#include "readings/IsoTime.h"

namespace ravo {

StoredTime storedTime(const LocalTime& t) {
    const int offset = utcOffsetMinutes(t);
    return {wallMillis(t) - offset * 60000LL, offset};
}

LocalTime localTimeOf(const StoredTime& t) { return fromWallMillis(t.utcMs + t.offsetMinutes * 60000LL); }

std::string isoTimeOf(const StoredTime& t) {
    const LocalTime l = localTimeOf(t);
    const int magnitude = t.offsetMinutes < 0 ? -t.offsetMinutes : t.offsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", l.year, l.month, l.day, l.hour,
                  l.minute, l.second, l.millisecond, t.offsetMinutes < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

namespace {

// Reads exactly `width` digits at `at`, moving `at` on.
bool digits(std::string_view s, size_t& at, int width, int& out) {
    if (at + static_cast<size_t>(width) > s.size()) return false;
    out = 0;
    for (int i = 0; i < width; ++i) {
        const char c = s[at + static_cast<size_t>(i)];
        if (c < '0' || c > '9') return false;
        out = out * 10 + (c - '0');
    }
    at += static_cast<size_t>(width);
    return true;
}

bool literal(std::string_view s, size_t& at, char c) {
    if (at >= s.size() || s[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

std::optional<std::int64_t> parseUserTime(std::string_view s, std::string& error) {
    error = "'" + std::string(s) +
            "' is no time: use YYYY-MM-DD[ HH:MM[:SS]] (local) or ISO 8601 with an offset, "
            "e.g. 2026-12-09T14:05:00+01:00";
    LocalTime t;
    size_t at = 0;
    if (!digits(s, at, 4, t.year) || !literal(s, at, '-') || !digits(s, at, 2, t.month) || !literal(s, at, '-') ||
        !digits(s, at, 2, t.day))
        return std::nullopt;
    t.hour = t.minute = t.second = t.millisecond = 0;
    if (at < s.size()) {
        if (s[at] != ' ' && s[at] != 'T') return std::nullopt;
        ++at;
        if (!digits(s, at, 2, t.hour) || !literal(s, at, ':') || !digits(s, at, 2, t.minute)) return std::nullopt;
        if (at < s.size() && s[at] == ':') {
            ++at;
            if (!digits(s, at, 2, t.second)) return std::nullopt;
            if (at < s.size() && s[at] == '.') {
                ++at;
                if (!digits(s, at, 3, t.millisecond)) return std::nullopt;
            }
        }
    }
    if (!isValidLocalTime(t)) return std::nullopt;
    if (at == s.size()) {
        error.clear();
        return storedTime(t).utcMs;
    }
    int offset = 0;
    if (s[at] == 'Z' && at + 1 == s.size()) {
        offset = 0;
    } else {
        const char sign = s[at];
        if (sign != '+' && sign != '-') return std::nullopt;
        ++at;
        int hours = 0, minutes = 0;
        if (!digits(s, at, 2, hours) || !literal(s, at, ':') || !digits(s, at, 2, minutes) || at != s.size() ||
            hours > 23 || minutes > 59)
            return std::nullopt;
        offset = (hours * 60 + minutes) * (sign == '-' ? -1 : 1);
    }
    error.clear();
    return wallMillis(t) - offset * 60000LL;
}

}  // namespace ravo
