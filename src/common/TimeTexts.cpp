#include "common/TimeTexts.h"

#include <cstdio>

namespace ravo {

std::string twoDigits(const std::string& part) { return part.size() < 2 ? std::string(2 - part.size(), '0') + part : part; }

void updateTimestamp(TimeTexts& texts, const Clock& clock) {
    const LocalTime t = clock.now();
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    texts.nowText = buf;
    std::snprintf(buf, sizeof buf, "%04d", t.year);
    texts.yearText = buf;
    texts.monthText = std::to_string(t.month);
    texts.dayText = std::to_string(t.day);
    texts.hourText = std::to_string(t.hour);
    texts.minuteText = std::to_string(t.minute);
    texts.secondText = std::to_string(t.second);
    texts.timeText = twoDigits(texts.hourText) + ":" + twoDigits(texts.minuteText) + ":" + twoDigits(texts.secondText);
}

}  // namespace ravo
