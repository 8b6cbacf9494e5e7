#include "presentation/Grids.h"

#include "common/NumberText.h"
#include "common/TextValue.h"

namespace ravo {

void clearGridAddresses(ScreenModel& screen) {
    for (int i = 0; i < kGridRows; ++i) {
        screen.setText(Field::txttx, i, "0");
        screen.setFore(Field::txttx, i, colour::black);
        screen.setText(Field::txttempadd, i, "0");
        screen.setFore(Field::txttempadd, i, colour::black);
    }
}

void sequentialAddresses(ScreenModel& screen, Field column, char decimalSeparator) {
    const std::string first = screen.text(column, 0);
    if (first == "0") {
        for (int i = 1; i < kGridRows; ++i) screen.setText(column, i, "0");
        return;
    }
    const double base = textValue(first);
    for (int i = 1; i < kGridRows; ++i) screen.setText(column, i, numberText(base + 2.0 * i, decimalSeparator));
}

}  // namespace ravo
