// A JSON snapshot of the screen model: message box, error count, monitor pane and
// both grids, with 8-bit texts written as the code points U+0000 to U+00FF.
#pragma once

#include <string>

#include "frames/ProgramState.h"
#include "screen/ScreenModel.h"

namespace ravo {

// `state` gives the counts of abandoned waits, present only when there were any.
std::string stateSnapshotJson(const ScreenModel& screen, const ProgramState& state);

}  // namespace ravo
