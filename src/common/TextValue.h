// Reading a text box as a number.
#pragma once

#include <string_view>

namespace ravo {

// The value of the number at the start of a text. Blanks, tabs and line feeds are
// skipped wherever they stand; then an optional sign, digits with at most one "."
// and an optional exponent (E or D, optional sign, digits) are read as far as they
// form a number. A text that does not begin with a number gives 0, and so does a
// number too large (or too small) to be held.
double textValue(std::string_view text);

// Rounds to the nearest integer, a half going to the even neighbour.
double roundHalfEven(double value);

}  // namespace ravo
