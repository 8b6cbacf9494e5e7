// Text renderings of numbers shared by every decoder, the grids and the logs.
#pragma once

#include <cstdint>
#include <string>

namespace ravo {

// Spaced number text: a leading space before zero or a positive value, "-" before
// a negative one, always "." as decimal point, no zero before the point below 1
// (0.5 -> " .5", -0.5 -> "-.5"). At most 15 significant digits, no trailing zeros.
std::string spacedNumber(double value);

// Number text: no leading space, the given decimal separator, a zero before the
// separator below 1 (0.5 -> "0.5"). At most 15 significant digits.
std::string numberText(double value, char decimalSeparator = '.');

// The "00.00" form: at least two integer digits, exactly two decimals, rounded half
// away from zero, "-" before a negative value (-4.6568 -> "-04.66").
std::string twoDecimals(double value);

// A value 0 to 255 as exactly two upper-case hexadecimal digits (5 -> "05").
std::string hexByte(int value);

// Upper-case hexadecimal without leading zeros (0x0C -> "C", 0 -> "0").
std::string hexDigits(std::uint64_t value);

// Decimal text of an integer, no leading space.
std::string decimalText(long long value);

}  // namespace ravo
