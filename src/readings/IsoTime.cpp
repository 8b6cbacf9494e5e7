#include "readings/IsoTime.h"

#include <cstring>
#include <ctime>

namespace ravo {

namespace {

int offsetByZoneRules(const LocalTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;  // as the zone's rules say for that date
    const std::time_t when = std::mktime(&tm);
    if (when == static_cast<std::time_t>(-1)) return 0;
    std::tm local{};
    if (!localtime_r(&when, &local)) return 0;
    return static_cast<int>(local.tm_gmtoff / 60);
}

}  // namespace

int utcOffsetMinutes(const LocalTime& t) {
    // The zone's rules change the offset on whole minutes only, and asking them
    // costs a look at the zone file each time, so the last minute's answer is kept
    // (per thread: outputs may run on threads of their own).
    struct Cached {
        int year = -1, month = 0, day = 0, hour = 0, minute = 0;
        int offset = 0;
    };
    thread_local Cached cached;
    if (cached.year != t.year || cached.month != t.month || cached.day != t.day || cached.hour != t.hour ||
        cached.minute != t.minute) {
        cached = {t.year, t.month, t.day, t.hour, t.minute, offsetByZoneRules(t)};
    }
    return cached.offset;
}

namespace {

// Writes `width` digits of value at text[at].
void putDigits(char* text, size_t at, int value, int width) {
    for (size_t i = static_cast<size_t>(width); i-- > 0; value /= 10)
        text[at + i] = static_cast<char>('0' + value % 10);
}

void writeWholeIsoTime(const LocalTime& t, char (&text)[kIsoTimeLength]) {
    const int offset = utcOffsetMinutes(t);
    const int magnitude = offset < 0 ? -offset : offset;
    // "YYYY-MM-DDThh:mm:ss.mmm+hh:mm", digits written in place.
    std::memcpy(text, "0000-00-00T00:00:00.000+00:00", kIsoTimeLength);
    putDigits(text, 0, t.year, 4);
    putDigits(text, 5, t.month, 2);
    putDigits(text, 8, t.day, 2);
    putDigits(text, 11, t.hour, 2);
    putDigits(text, 14, t.minute, 2);
    putDigits(text, 17, t.second, 2);
    putDigits(text, 20, t.millisecond, 3);
    text[23] = offset < 0 ? '-' : '+';
    putDigits(text, 24, magnitude / 60, 2);
    putDigits(text, 27, magnitude % 60, 2);
}

}  // namespace

void writeIsoTime(const LocalTime& t, char (&text)[kIsoTimeLength]) {
    // This runs for every event. The date, the hour, the minute and the offset
    // change once a minute at most, so the text of the last minute is kept (per
    // thread) and only the seconds and milliseconds are written anew.
    struct Minute {
        int year = -1, month = 0, day = 0, hour = 0, minute = 0;
        char text[kIsoTimeLength];
    };
    thread_local Minute last;
    if (last.year != t.year || last.month != t.month || last.day != t.day || last.hour != t.hour ||
        last.minute != t.minute) {
        last.year = t.year;
        last.month = t.month;
        last.day = t.day;
        last.hour = t.hour;
        last.minute = t.minute;
        writeWholeIsoTime(t, last.text);
    }
    std::memcpy(text, last.text, kIsoTimeLength);
    putDigits(text, 17, t.second, 2);
    putDigits(text, 20, t.millisecond, 3);
}

std::string isoTime(const LocalTime& t) {
    char text[kIsoTimeLength];
    writeIsoTime(t, text);
    return std::string(text, sizeof text);
}

}  // namespace ravo
