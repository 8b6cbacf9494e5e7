// Items that no decoder accepts: counted, dumped to the message box and handed to
// the outputs of bad frames (the error file is presentation/ErrorFile.h).
#pragma once

#include <string>

#include "frames/ProgramState.h"
#include "readings/ReadingFanOut.h"
#include "screen/ScreenModel.h"

namespace ravo {

// "$82,$0,...,$E6$44,12:34:56": every byte, the computed CRC and the time.
std::string errorLine(const ProgramState& st);

// Counts the item as bad, shows its error line and tells the readings outputs
// that want bad frames. Returns the error line for the error file.
std::string handleBadFrame(ProgramState& st, ScreenModel& screen, ReadingFanOut& readings);

}  // namespace ravo
