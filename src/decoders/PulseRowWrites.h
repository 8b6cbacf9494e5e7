// Pieces shared by the decoders that write pulse-grid rows.
#pragma once

#include <initializer_list>

#include "common/Colours.h"
#include "common/TextValue.h"
#include "screen/ScreenModel.h"

namespace ravo {

// The zero reference kept in a row's txtzero cell: the number its text begins
// with, 0 when it does not begin with one. A transmitter without a row (grid full)
// has no zero reference, so its logged value is taken against 0.
inline double zeroReference(const ScreenModel& screen, int row) {
    return row < kGridRows ? textValue(screen.text(Field::txtzero, row)) : 0.0;
}

// Fore colour on the given cells of a row, in the order given.
inline void paintRow(ScreenModel& screen, int row, Colour c, std::initializer_list<Field> cells) {
    for (Field f : cells) screen.setFore(f, row, c);
}

}  // namespace ravo
