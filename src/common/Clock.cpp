#include "common/Clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace ravo {

LocalTime SystemClock::now() const {
    using namespace std::chrono;
    const auto nowPoint = system_clock::now();
    const std::time_t t = system_clock::to_time_t(nowPoint);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalTime lt;
    lt.year = tm.tm_year + 1900;
    lt.month = tm.tm_mon + 1;
    lt.day = tm.tm_mday;
    lt.hour = tm.tm_hour;
    lt.minute = tm.tm_min;
    lt.second = tm.tm_sec;
    lt.millisecond = static_cast<int>(duration_cast<milliseconds>(nowPoint.time_since_epoch()).count() % 1000);
    return lt;
}

std::int64_t wallMillis(const LocalTime& t) {
    using namespace std::chrono;
    const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                        std::chrono::day{static_cast<unsigned>(t.day)}};
    return day.time_since_epoch().count() * 86400000LL + t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL +
           t.millisecond;
}

LocalTime fromWallMillis(std::int64_t ms) {
    using namespace std::chrono;
    const sys_time<milliseconds> point{milliseconds{ms}};
    const sys_days day = floor<days>(point);
    const year_month_day ymd{day};
    const hh_mm_ss<milliseconds> tod{point - day};
    return {static_cast<int>(ymd.year()),
            static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(tod.hours().count()),
            static_cast<int>(tod.minutes().count()),
            static_cast<int>(tod.seconds().count()),
            static_cast<int>(tod.subseconds().count())};
}

void SettableClock::advance(double seconds) {
    using namespace std::chrono;
    if (!(seconds > 0) || !std::isfinite(seconds)) return;
    // Wall-clock arithmetic on the civil calendar (the capture's times are local).
    const std::int64_t from = wallMillis(time_);
    // The clock stops at the last millisecond of the year 9999: a capture may move
    // it on by any amount, and the sum must stay a date.
    constexpr std::int64_t kLast =
        (sys_days{std::chrono::year{9999} / 12 / 31} + days{1}).time_since_epoch() / milliseconds{1} - 1;
    const double target = static_cast<double>(from) + seconds * 1000.0;
    const std::int64_t to = target >= static_cast<double>(kLast) ? kLast : std::llround(target);
    time_ = fromWallMillis(std::max(to, from));
}

bool isValidLocalTime(const LocalTime& t) {
    using namespace std::chrono;
    const year_month_day ymd{year{t.year}, month{static_cast<unsigned>(t.month)}, day{static_cast<unsigned>(t.day)}};
    return t.year >= 1 && t.year <= 9999 && ymd.ok() && t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 &&
           t.second >= 0 && t.second < 60 && t.millisecond >= 0 && t.millisecond < 1000;
}

}  // namespace ravo
