#include "common/TimeTexts.h"

#include <charconv>

namespace ravo {

std::string twoDigits(const std::string& part) {
    return part.size() < 2 ? std::string(2 - part.size(), '0') + part : part;
}

namespace {

// Appends `value` with at least `width` digits, zeros in front.
void appendDigits(std::string& out, int value, int width) {
    char digits[16];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto n = static_cast<int>(end - digits);
    if (n < width) out.append(static_cast<size_t>(width - n), '0');
    out.append(digits, static_cast<size_t>(n));
}

// The same over `out`, reusing its storage: the texts are rebuilt once a second
// for every frame that follows.
void setDigits(std::string& out, int value, int width) {
    out.clear();
    appendDigits(out, value, width);
}

}  // namespace

void updateTimestamp(TimeTexts& texts, const LocalTime& t) {
    texts.read = t;
    const LocalTime& m = texts.madeFrom;
    // Frames come many a second: the texts change only when the second does.
    if (t.second == m.second && t.minute == m.minute && t.hour == m.hour && t.day == m.day && t.month == m.month &&
        t.year == m.year)
        return;
    texts.madeFrom = t;
    setDigits(texts.yearText, t.year, 4);
    setDigits(texts.monthText, t.month, 1);
    setDigits(texts.dayText, t.day, 1);
    setDigits(texts.hourText, t.hour, 1);
    setDigits(texts.minuteText, t.minute, 1);
    setDigits(texts.secondText, t.second, 1);
    std::string& time = texts.timeText;
    setDigits(time, t.hour, 2);
    time += ':';
    appendDigits(time, t.minute, 2);
    time += ':';
    appendDigits(time, t.second, 2);
    std::string& now = texts.nowText;
    setDigits(now, t.year, 4);
    now += '-';
    appendDigits(now, t.month, 2);
    now += '-';
    appendDigits(now, t.day, 2);
    now += ' ';
    now += time;
}

}  // namespace ravo
