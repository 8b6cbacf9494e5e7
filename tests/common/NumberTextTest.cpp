#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/NumberText.h"
#include "common/TextValue.h"
#include "common/TimeTexts.h"

namespace ravo {
namespace {

TEST(SpacedNumber, SignSpaceAndNoLeadingZero) {
    EXPECT_EQ(spacedNumber(1234), " 1234");
    EXPECT_EQ(spacedNumber(21.5), " 21.5");
    EXPECT_EQ(spacedNumber(0.5), " .5");
    EXPECT_EQ(spacedNumber(-0.5), "-.5");
    EXPECT_EQ(spacedNumber(-10), "-10");
    EXPECT_EQ(spacedNumber(0), " 0");
    EXPECT_EQ(spacedNumber(-0.0), " 0");
    EXPECT_EQ(spacedNumber(-40.68), "-40.68");
    EXPECT_EQ(spacedNumber(16777215), " 16777215");
    EXPECT_EQ(spacedNumber(4294967295.0), " 4294967295");
}

TEST(SpacedNumber, FifteenSignificantDigits) {
    EXPECT_EQ(spacedNumber(56.06888), " 56.06888");
    EXPECT_EQ(spacedNumber(0.1 + 0.2), " .3");
    EXPECT_EQ(spacedNumber(20.01953125), " 20.01953125");
    EXPECT_EQ(spacedNumber(1.0 / 3), " .333333333333333");
    EXPECT_EQ(spacedNumber(123456789012345.0), " 123456789012345");
    EXPECT_EQ(spacedNumber(1e15), " 1E+15");
    EXPECT_EQ(spacedNumber(0.0001), " .0001");
    EXPECT_EQ(spacedNumber(0.00001), " 1E-05");
    EXPECT_EQ(spacedNumber(-1.5e-7), "-1.5E-07");
}

TEST(NumberText, LeadingZeroAndSeparator) {
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(-0.5), "-0.5");
    EXPECT_EQ(numberText(21.5, ','), "21,5");
    EXPECT_EQ(numberText(255), "255");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(102), "102");
}

TEST(TwoDecimals, RoundsHalfAwayFromZeroWithTwoIntegerDigits) {
    EXPECT_EQ(twoDecimals(56.06888), "56.07");
    EXPECT_EQ(twoDecimals(20.28), "20.28");
    EXPECT_EQ(twoDecimals(-4.6568), "-04.66");
    EXPECT_EQ(twoDecimals(-40.68), "-40.68");
    EXPECT_EQ(twoDecimals(0), "00.00");
    EXPECT_EQ(twoDecimals(5), "05.00");
    EXPECT_EQ(twoDecimals(0.125), "00.13");
    EXPECT_EQ(twoDecimals(-0.125), "-00.13");
    EXPECT_EQ(twoDecimals(1.005), "01.01");  // as its decimal text reads
    EXPECT_EQ(twoDecimals(99.995), "100.00");
    EXPECT_EQ(twoDecimals(-0.001), "00.00");  // no sign on a zero
    EXPECT_EQ(twoDecimals(1234.5), "1234.50");
}

TEST(HexTexts, Forms) {
    EXPECT_EQ(hexByte(5), "05");
    EXPECT_EQ(hexByte(171), "AB");
    EXPECT_EQ(hexDigits(0x0C), "C");
    EXPECT_EQ(hexDigits(0), "0");
    EXPECT_EQ(hexDigits(0x1A2B), "1A2B");
}

TEST(TextValue, ReadsTheNumberAtTheStart) {
    EXPECT_EQ(textValue("12"), 12);
    EXPECT_EQ(textValue("12.0"), 12);
    EXPECT_EQ(textValue("12abc"), 12);
    EXPECT_EQ(textValue("abc"), 0);
    EXPECT_EQ(textValue(""), 0);
    EXPECT_EQ(textValue("-5"), -5);
    EXPECT_EQ(textValue("+7"), 7);
    EXPECT_EQ(textValue(".5"), 0.5);
    EXPECT_EQ(textValue("1.2.3"), 1.2);
    EXPECT_EQ(textValue("1e3"), 1000);
    EXPECT_EQ(textValue("1D2"), 100);
    EXPECT_EQ(textValue("2E"), 2);
    EXPECT_EQ(textValue("2e-1x"), 0.2);
    EXPECT_EQ(textValue("-"), 0);
    EXPECT_EQ(textValue("."), 0);
    EXPECT_EQ(textValue("00"), 0);
}

TEST(TextValue, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(textValue("  1 2\t3"), 123);
    EXPECT_EQ(textValue("\n- 4"), -4);
    EXPECT_EQ(textValue("1 . 5"), 1.5);
    EXPECT_EQ(textValue("\r5"), 0);  // a CR is not a blank
}

TEST(TextValue, OutOfRangeGivesZero) {
    EXPECT_EQ(textValue("1e400"), 0);
    EXPECT_FALSE(std::signbit(textValue("-0")));
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.6), 3);
}

TEST(Timestamp, TextsFromOneClockReading) {
    SettableClock clock(LocalTime{2026, 12, 7, 9, 5, 3, 0});
    TimeTexts t;
    updateTimestamp(t, clock.now());
    EXPECT_EQ(t.timeText, "09:05:03");
    EXPECT_EQ(t.hourText, "9");
    EXPECT_EQ(t.minuteText, "5");
    EXPECT_EQ(t.secondText, "3");
    EXPECT_EQ(t.dayText, "7");
    EXPECT_EQ(t.monthText, "12");
    EXPECT_EQ(t.yearText, "2026");
    EXPECT_EQ(t.nowText, "2026-12-07 09:05:03");

    // Every text follows the next second, also where a part gains a digit.
    clock.set(LocalTime{987, 1, 31, 23, 59, 10, 0});
    updateTimestamp(t, clock.now());
    EXPECT_EQ(t.timeText, "23:59:10");
    EXPECT_EQ(t.nowText, "0987-01-31 23:59:10");
    EXPECT_EQ(t.yearText, "0987");
    EXPECT_EQ(t.secondText, "10");
    EXPECT_EQ(t.monthText, "1");
}

TEST(SettableClock, AdvancesAcrossMidnightAndMonthEnds) {
    SettableClock clock(LocalTime{2026, 12, 31, 23, 59, 59, 500});
    clock.advance(0.75);
    const LocalTime t = clock.now();
    EXPECT_EQ(t.year, 2027);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(t.millisecond, 250);
}

TEST(SettableClock, HugeStepsStopAtTheLastMillisecondOfTheYear9999) {
    // A capture can move the clock on by any number of seconds, again and again.
    SettableClock clock(LocalTime{2026, 12, 31, 23, 59, 59, 500});
    clock.advance(1e17);
    clock.advance(1e300);
    const LocalTime t = clock.now();
    EXPECT_EQ(t.year, 9999);
    EXPECT_EQ(t.month, 12);
    EXPECT_EQ(t.day, 31);
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.second, 59);
    EXPECT_EQ(t.millisecond, 999);
}

}  // namespace
}  // namespace ravo
