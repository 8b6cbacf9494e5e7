#include "presentation/Grids.h"

#include "common/TextValue.h"
#include "core/Receiver.h"

namespace ravo {
namespace {

int findRow(Receiver& rx, Field column, Colour colour) {
    ScreenModel& screen = rx.screen;
    const double address = rx.state.txAddress;
    for (int i = 0; i < kGridRows; ++i)
        if (screen.gridValue(column, i) == address) return i;
    for (int i = 0; i < kGridRows; ++i) {
        if (screen.gridValue(column, i) != 0) continue;
        // Writing the address empties the row's other cells (row-change rule).
        screen.setText(column, i, decimalText(rx.state.txAddress));
        screen.setFore(column, i, colour);
        return i;
    }
    return kNoRow;
}

}  // namespace

int findPulseRow(Receiver& rx, Colour colour) { return findRow(rx, Field::txttx, colour); }
int findTempRow(Receiver& rx, Colour colour) { return findRow(rx, Field::txttempadd, colour); }

void clearGridAddresses(ScreenModel& screen) {
    for (int i = 0; i < kGridRows; ++i) {
        screen.setText(Field::txttx, i, "0");
        screen.setFore(Field::txttx, i, colour::black);
        screen.setText(Field::txttempadd, i, "0");
        screen.setFore(Field::txttempadd, i, colour::black);
    }
}

void sequentialAddresses(Receiver& rx, Field column) {
    ScreenModel& screen = rx.screen;
    const std::string first = screen.text(column, 0);
    if (first == "0") {
        for (int i = 1; i < kGridRows; ++i) screen.setText(column, i, "0");
        return;
    }
    const double base = textValue(first);
    for (int i = 1; i < kGridRows; ++i) screen.setText(column, i, rx.number(base + 2.0 * i));
}

}  // namespace ravo
