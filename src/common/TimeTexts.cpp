#include "common/TimeTexts.h"

#include <cstdio>

namespace ravo {

std::string twoDigits(const std::string& part) { return part.size() < 2 ? std::string(2 - part.size(), '0') + part : part; }

void updateTimestamp(TimeTexts& texts, const Clock& clock) {
    const LocalTime t = clock.now();
    const LocalTime& m = texts.madeFrom;
    // Frames come many a second: the texts change only when the second does.
    if (t.second == m.second && t.minute == m.minute && t.hour == m.hour && t.day == m.day && t.month == m.month &&
        t.year == m.year)
        return;
    texts.madeFrom = t;
    texts.yearText = std::to_string(t.year);
    if (texts.yearText.size() < 4) texts.yearText.insert(0, 4 - texts.yearText.size(), '0');
    texts.monthText = std::to_string(t.month);
    texts.dayText = std::to_string(t.day);
    texts.hourText = std::to_string(t.hour);
    texts.minuteText = std::to_string(t.minute);
    texts.secondText = std::to_string(t.second);
    texts.timeText = twoDigits(texts.hourText) + ":" + twoDigits(texts.minuteText) + ":" + twoDigits(texts.secondText);
    texts.nowText = texts.yearText + "-" + twoDigits(texts.monthText) + "-" + twoDigits(texts.dayText) + " " + texts.timeText;
}

}  // namespace ravo
