// The day's error file: one line per bad item, in the log folder.
#pragma once

#include <string>

#include "common/TimeTexts.h"
#include "presentation/FileSystem.h"
#include "screen/ScreenModel.h"

namespace ravo {

// Appends the error line of a bad item, unless the temperature log has no prefix.
// A file that cannot be written loses this line only.
void appendErrorLine(const ScreenModel& screen, FileSystem& files, const TimeTexts& time, const std::string& line);

}  // namespace ravo
