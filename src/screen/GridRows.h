// Finding or assigning a transmitter's row in the pulse or temperature grid.
#pragma once

#include <cstdint>

#include "common/Colours.h"
#include "screen/ScreenModel.h"

namespace ravo {

// The row of `address` in the pulse (txttx) or temperature (txttempadd) grid. A
// transmitter without a row takes the first free one (address written in `colour`);
// kNoRow (20) when none is free.
int findPulseRow(ScreenModel& screen, std::int32_t address, Colour colour);
int findTempRow(ScreenModel& screen, std::int32_t address, Colour colour);

}  // namespace ravo
