// ISO 8601 times of events: each part of the local time in its place, also when
// consecutive times differ in one part only.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "readings/IsoTime.h"

namespace ravo {
namespace {

// The offset the zone's rules give for that local time, as "+hh:mm" or "-hh:mm".
std::string offsetByTheZone(const LocalTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    const std::time_t when = std::mktime(&tm);
    std::tm local{};
    localtime_r(&when, &local);
    const long minutes = local.tm_gmtoff / 60;
    char text[24];
    std::snprintf(text, sizeof text, "%c%02ld:%02ld", minutes < 0 ? '-' : '+', (minutes < 0 ? -minutes : minutes) / 60,
                  (minutes < 0 ? -minutes : minutes) % 60);
    return text;
}

TEST(IsoTime, EveryPartInItsPlaceFromOneTimeToTheNext) {
    // In this order: each time differs from the one before in what its comment names.
    const struct {
        LocalTime time;
        const char* text;
    } cases[] = {
        {{2026, 12, 31, 23, 59, 59, 999}, "2026-12-31T23:59:59.999"},
        {{2026, 12, 31, 23, 59, 7, 5}, "2026-12-31T23:59:07.005"},  // seconds, milliseconds
        {{2027, 1, 1, 0, 0, 0, 0}, "2027-01-01T00:00:00.000"},      // everything
        {{2026, 1, 1, 0, 0, 0, 0}, "2026-01-01T00:00:00.000"},      // the year alone
        {{2026, 2, 1, 0, 0, 0, 0}, "2026-02-01T00:00:00.000"},      // the month alone
        {{2026, 2, 28, 0, 0, 0, 0}, "2026-02-28T00:00:00.000"},     // the day alone
        {{2026, 2, 28, 13, 0, 0, 0}, "2026-02-28T13:00:00.000"},    // the hour alone
        {{2026, 2, 28, 13, 45, 0, 0}, "2026-02-28T13:45:00.000"},   // the minute alone
        {{2026, 2, 28, 13, 45, 0, 40}, "2026-02-28T13:45:00.040"},  // the milliseconds alone
        {{2026, 2, 28, 13, 45, 9, 40}, "2026-02-28T13:45:09.040"},  // the seconds alone
        {{2026, 7, 14, 9, 5, 3, 250}, "2026-07-14T09:05:03.250"},   // summer, where the zone has one
        {{999, 7, 14, 9, 5, 3, 250}, "0999-07-14T09:05:03.250"},
    };
    for (const auto& c : cases) {
        char text[kIsoTimeLength];
        writeIsoTime(c.time, text);
        EXPECT_EQ(std::string(text, sizeof text), c.text + offsetByTheZone(c.time)) << c.text;
        EXPECT_EQ(isoTime(c.time), std::string(text, sizeof text)) << c.text;
    }
}

}  // namespace
}  // namespace ravo
