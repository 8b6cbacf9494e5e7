#include "screen/GridRows.h"

#include "common/NumberText.h"

namespace ravo {
namespace {

int findRow(ScreenModel& screen, Field column, std::int32_t address, Colour colour) {
    const double value = address;
    for (int i = 0; i < kGridRows; ++i)
        if (screen.gridValue(column, i) == value) return i;
    for (int i = 0; i < kGridRows; ++i) {
        if (screen.gridValue(column, i) != 0) continue;
        // Writing the address empties the row's other cells (row-change rule).
        screen.setText(column, i, decimalText(address));
        screen.setFore(column, i, colour);
        return i;
    }
    return kNoRow;
}

}  // namespace

int findPulseRow(ScreenModel& screen, std::int32_t address, Colour colour) {
    return findRow(screen, Field::txttx, address, colour);
}
int findTempRow(ScreenModel& screen, std::int32_t address, Colour colour) {
    return findRow(screen, Field::txttempadd, address, colour);
}

}  // namespace ravo
