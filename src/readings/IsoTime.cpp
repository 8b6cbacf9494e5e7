#include "readings/IsoTime.h"

#include <cstdio>
#include <ctime>

namespace ravo {

int utcOffsetMinutes(const LocalTime& t) {
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

std::string isoTime(const LocalTime& t) {
    const int offset = utcOffsetMinutes(t);
    const int magnitude = offset < 0 ? -offset : offset;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond, offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

}  // namespace ravo
