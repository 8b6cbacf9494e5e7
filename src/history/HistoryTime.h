// Times in a history store: the moment as Unix milliseconds (UTC) and the UTC
// offset in force where it was heard, so that the local time and its ISO 8601
// text come back exactly as the JSON lines wrote them. Also the times a user
// types to choose a span.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Clock.h"

namespace ravo {

struct StoredTime {
    std::int64_t utcMs = 0;
    int offsetMinutes = 0;  // east of UTC
};

// A local time with the offset the local zone's rules give it (the offset the
// JSON lines write).
StoredTime storedTime(const LocalTime& t);
LocalTime localTimeOf(const StoredTime& t);
// "2026-12-09T14:05:09.250+01:00"
std::string isoTimeOf(const StoredTime& t);

// A time typed by a user, as Unix milliseconds: local "YYYY-MM-DD[ HH:MM[:SS]]"
// (or with a T), read by the local zone's rules, or ISO 8601 with an offset
// ("2026-12-09T14:05:09+01:00", "...Z", with or without milliseconds).
// Nothing, with a reason, for anything else.
std::optional<std::int64_t> parseUserTime(std::string_view text, std::string& error);

}  // namespace ravo
