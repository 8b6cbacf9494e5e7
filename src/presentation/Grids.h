// The operator's grid buttons. Finding or assigning a transmitter's row is in
// screen/GridRows.h; the row-change rule itself runs inside the screen model
// whenever an address cell changes.
#pragma once

#include "common/Colours.h"
#include "screen/ScreenModel.h"

namespace ravo {

// "Clear Entries" (and a click on the clock box): every address back to "0" in black.
void clearGridAddresses(ScreenModel& screen);

// "Sequential Address" over a grid's address column (txttx or txttempadd); the
// numbers are written with the given decimal separator.
void sequentialAddresses(ScreenModel& screen, Field addressColumn, char decimalSeparator);

}  // namespace ravo
