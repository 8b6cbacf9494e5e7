// Local times as ISO 8601 texts with milliseconds and the UTC offset in force at
// that time, e.g. "2026-12-09T14:05:09.250+01:00".
#pragma once

#include <string>

#include "common/Clock.h"

namespace ravo {

// The offset from UTC, in minutes, of the local time zone at local time t.
int utcOffsetMinutes(const LocalTime& t);

std::string isoTime(const LocalTime& t);

// The same into a buffer of its fixed length (no terminating zero).
constexpr int kIsoTimeLength = 29;
void writeIsoTime(const LocalTime& t, char (&text)[kIsoTimeLength]);

}  // namespace ravo
