// The time and date texts that decoders, grids, logs and the repeat check use.
#pragma once

#include <string>

#include "common/Clock.h"

namespace ravo {

struct TimeTexts {
    std::string nowText;                // date and time, "YYYY-MM-DD HH:MM:SS"
    std::string yearText;               // four digits
    std::string monthText;              // 1 to 12, no leading zero
    std::string dayText;                // 1 to 31, no leading zero
    std::string hourText;               // 0 to 23, no leading zero
    std::string minuteText;             // 0 to 59, no leading zero
    std::string secondText;             // 0 to 59, no leading zero
    std::string timeText = "00:00:00";  // hh:mm:ss

    // The clock reading the texts were made from (to the second).
    LocalTime madeFrom{0, 0, 0, -1, -1, -1, 0};
    // The latest clock reading (to the millisecond): the time of the frame in hand.
    LocalTime read;
};

// Refreshes every text from one reading of the clock.
void updateTimestamp(TimeTexts& texts, const LocalTime& t);

// "7" -> "07": a date or time part widened to two digits.
std::string twoDigits(const std::string& part);

}  // namespace ravo
