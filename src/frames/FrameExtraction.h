// The first stage of the frame decoder: looks at the front of the receive buffer
// and waits, discards characters, or cuts one item into FrameBytes and echoes it
// to the receiver monitor pane.
#pragma once

#include <cstddef>
#include <string_view>

#include "frames/ProgramState.h"
#include "screen/ScreenModel.h"

namespace ravo {

enum class Extraction { Wait, Discard, Cut };

// A wait for the rest of an item is given up once this many bytes are buffered.
inline constexpr size_t kWaitBound = 4096;

// Works on the receive buffer and the current item of `st`; echoes to the monitor
// pane of `screen`.
Extraction extractItem(ProgramState& st, ScreenModel& screen);

// True for the fifteen type codes that start a binary frame or a text line.
bool isFrameTypeCode(int code);
// True for the sixteen codes accepted after STX (the fifteen and 0x7B).
bool isStxTypeCode(int code);

// A byte written as two characters: hexadecimal digits of either case; blanks,
// tabs and line feeds are skipped, any other character ends the number; no digit
// gives 0. `pos` is 1-based; characters past the end count as absent.
int hexPair(std::string_view text, size_t pos);

}  // namespace ravo
