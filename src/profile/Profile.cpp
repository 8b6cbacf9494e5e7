#include "profile/Profile.h"

#include <cmath>

#include "common/NumberText.h"
#include "common/TextValue.h"

namespace ravo {

void ProfileWindow::load() {
    if (loaded_) return;
    // A freshly loaded window has its design texts, empty bars and a 2 s period.
    bars_.fill(0);
    loaded_ = true;
    screen_.setText(Field::txt_temptx, "");
    screen_.setText(Field::txt_profiletemp, "");
    screen_.setText(Field::txt_profiletime, "");
    screen_.setText(Field::txt_update, "2");
    intervalMs_ = 2000;
    notify();
}

void ProfileWindow::open(int row) {
    openAddress(static_cast<long long>(roundHalfEven(textValue(screen_.text(Field::txttempadd, row)))));
}

void ProfileWindow::openAddress(long long address) {
    state_.profileAddress = address;
    load();
    screen_.setText(Field::txt_temptx, decimalText(state_.profileAddress));
    shown_ = true;
    notify();
}

void ProfileWindow::feed(std::int32_t address, double value1) {
    if (state_.profileAddress != address) return;
    state_.profileTemperature = value1;
    load();
    screen_.setText(Field::txt_profiletemp, numberText(value1, decimalSeparator_));
    screen_.setText(Field::txt_profiletime, state_.time.timeText);
}

void ProfileWindow::timerTick() {
    if (!loaded_) return;
    for (int i = kBars - 1; i >= 1; --i) bars_[static_cast<size_t>(i)] = bars_[static_cast<size_t>(i - 1)];
    bars_[0] = textValue(screen_.text(Field::txt_profiletemp)) * kTwipsPerDegree;
    notify();
}

void ProfileWindow::exit() {
    loaded_ = false;
    shown_ = false;
    bars_.fill(0);
    notify();
}

void ProfileWindow::periodChanged() {
    // A negative period cannot be timed: it stops sampling like a period of 0.
    const double ms = roundHalfEven(textValue(screen_.text(Field::txt_update)) * 1000.0);
    intervalMs_ = ms > 0 ? static_cast<long long>(std::fmin(ms, 2147483647.0)) : 0;
    notify();
}

}  // namespace ravo
