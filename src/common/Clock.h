// Where the program's time comes from: the system clock, or a clock that a test or
// a replayed capture sets.
#pragma once

#include <cstdint>

namespace ravo {

// A local date and time, as the operator's wall clock reads it.
struct LocalTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
};

class SystemClock : public Clock {
public:
    LocalTime now() const override;
};

// Stands still until set or moved on.
class SettableClock : public Clock {
public:
    explicit SettableClock(LocalTime t = {}) : time_(t) {}
    LocalTime now() const override { return time_; }
    void set(const LocalTime& t) { time_ = t; }
    // Moves the clock on by a (possibly fractional, not negative) number of seconds.
    void advance(double seconds);

private:
    LocalTime time_;
};

// Milliseconds since 1970-01-01 00:00 on the wall clock's own calendar (no time
// zone): a count that only moves on as the local time does.
std::int64_t wallMillis(const LocalTime& t);
// The local time of a wallMillis count.
LocalTime fromWallMillis(std::int64_t ms);

// True when the fields form a real calendar date and time of day.
bool isValidLocalTime(const LocalTime& t);

}  // namespace ravo
