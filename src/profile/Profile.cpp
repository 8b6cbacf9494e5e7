#include "profile/Profile.h"

#include <cmath>

#include "common/TextValue.h"
#include "core/Receiver.h"

namespace ravo {

void ProfileWindow::load() {
    if (loaded_) return;
    // A freshly loaded window has its design texts, empty bars and a 2 s period.
    bars_.fill(0);
    loaded_ = true;
    rx_.screen.setText(Field::txt_temptx, "");
    rx_.screen.setText(Field::txt_profiletemp, "");
    rx_.screen.setText(Field::txt_profiletime, "");
    rx_.screen.setText(Field::txt_update, "2");
    intervalMs_ = 2000;
    notify();
}

void ProfileWindow::open(int row) {
    openAddress(static_cast<long long>(roundHalfEven(textValue(rx_.screen.text(Field::txttempadd, row)))));
}

void ProfileWindow::openAddress(long long address) {
    rx_.state.profileAddress = address;
    load();
    rx_.screen.setText(Field::txt_temptx, decimalText(rx_.state.profileAddress));
    shown_ = true;
    notify();
}

void ProfileWindow::feed(double value1) {
    if (rx_.state.profileAddress != rx_.state.txAddress) return;
    rx_.state.profileTemperature = value1;
    load();
    rx_.screen.setText(Field::txt_profiletemp, rx_.number(value1));
    rx_.screen.setText(Field::txt_profiletime, rx_.state.time.timeText);
}

void ProfileWindow::timerTick() {
    if (!loaded_) return;
    for (int i = kBars - 1; i >= 1; --i) bars_[static_cast<size_t>(i)] = bars_[static_cast<size_t>(i - 1)];
    bars_[0] = textValue(rx_.screen.text(Field::txt_profiletemp)) * kTwipsPerDegree;
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
    const double ms = roundHalfEven(textValue(rx_.screen.text(Field::txt_update)) * 1000.0);
    intervalMs_ = ms > 0 ? static_cast<long long>(std::fmin(ms, 2147483647.0)) : 0;
    notify();
}

}  // namespace ravo
