// The pulse and temperature grids: finding or assigning a transmitter's row, and
// the operator's grid buttons. The row-change rule itself runs inside the screen
// model whenever an address cell changes.
#pragma once

#include "common/Colours.h"
#include "screen/ScreenModel.h"

namespace ravo {

class Receiver;

// The row of TxAddress in the pulse (txttx) or temperature (txttempadd) grid. A
// transmitter without a row takes the first free one (address written in `colour`);
// kNoRow (20) when none is free.
int findPulseRow(Receiver& rx, Colour colour);
int findTempRow(Receiver& rx, Colour colour);

// "Clear Entries" (and a click on the clock box): every address back to "0" in black.
void clearGridAddresses(ScreenModel& screen);

// "Sequential Address" over a grid's address column (txttx or txttempadd).
void sequentialAddresses(Receiver& rx, Field addressColumn);

}  // namespace ravo
