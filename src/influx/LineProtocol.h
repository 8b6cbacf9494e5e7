// A reading as one line of InfluxDB line protocol:
//   FAMILY,address=A,band=vhf|uhf status=Si[,s_level=S][,battery_low=B][,FIELD=V...] TIME
// The measurement is the reading's family, the tags are the transmitter's address
// and the band; the fields are the common ones and the family's declared ones, each
// written as its kind says (number: float, counter: integer "Ni", flag: true or
// false, text: a quoted UTF-8 string). Null values are left out; status is always
// there, so every line has a field. The time is in milliseconds since 1970 UTC.
#pragma once

#include <cstdint>
#include <string>

#include "common/Clock.h"
#include "readings/Reading.h"

namespace ravo {

// Milliseconds since 1970-01-01 00:00 UTC of a local wall-clock time, with the
// offset from UTC that the local time zone has at that time.
std::int64_t unixMillis(const LocalTime& t);

// Appends the line of `r` (without a line end) at `unixMs` to `out`.
void appendReadingLine(std::string& out, const Reading& r, std::int64_t unixMs);

// The same, on its own, at the reading's own time.
std::string readingLine(const Reading& r);

}  // namespace ravo
