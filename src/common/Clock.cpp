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

void SettableClock::advance(double seconds) {
    using namespace std::chrono;
    if (!(seconds > 0) || !std::isfinite(seconds)) return;
    // Wall-clock arithmetic on the civil calendar (the capture's times are local).
    const sys_days day = year_month_day{year{time_.year}, month{static_cast<unsigned>(time_.month)},
                                        std::chrono::day{static_cast<unsigned>(time_.day)}};
    const milliseconds from = duration_cast<milliseconds>(day.time_since_epoch() + hours{time_.hour} + minutes{time_.minute} +
                                                          std::chrono::seconds{time_.second}) +
                              milliseconds{time_.millisecond};
    // The clock stops at the last millisecond of the year 9999: a capture may move
    // it on by any amount, and the sum must stay a date.
    constexpr milliseconds kLast = duration_cast<milliseconds>((sys_days{std::chrono::year{9999} / 12 / 31} + days{1}).time_since_epoch()) -
                                   milliseconds{1};
    const double target = static_cast<double>(from.count()) + seconds * 1000.0;
    const milliseconds to = target >= static_cast<double>(kLast.count()) ? kLast : milliseconds{std::llround(target)};
    const sys_time<milliseconds> point{std::max(to, from)};
    const sys_days newDay = floor<days>(point);
    const year_month_day ymd{newDay};
    const hh_mm_ss<milliseconds> tod{point - newDay};
    time_.year = static_cast<int>(ymd.year());
    time_.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    time_.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    time_.hour = static_cast<int>(tod.hours().count());
    time_.minute = static_cast<int>(tod.minutes().count());
    time_.second = static_cast<int>(tod.seconds().count());
    time_.millisecond = static_cast<int>(tod.subseconds().count());
}

bool isValidLocalTime(const LocalTime& t) {
    using namespace std::chrono;
    const year_month_day ymd{year{t.year}, month{static_cast<unsigned>(t.month)},
                             day{static_cast<unsigned>(t.day)}};
    return t.year >= 1 && t.year <= 9999 && ymd.ok() && t.hour >= 0 && t.hour < 24 && t.minute >= 0 &&
           t.minute < 60 && t.second >= 0 && t.second < 60 && t.millisecond >= 0 && t.millisecond < 1000;
}

}  // namespace ravo
