// What the program takes from the machine it runs on: the default log folder (the
// home folder's logger/) and the decimal separator of the locale.
#pragma once

#include <string>

namespace ravo {

std::string defaultLogFolder();
char localeDecimalSeparator();

}  // namespace ravo
