// The temperature profile window's logic: which transmitter is profiled, the 60
// bars of its sampled temperature, and the sampling timer. The boxes of the window
// (txt_temptx, txt_profiletemp, txt_profiletime, txt_update) live in the screen
// model; this object holds what only the profile window has.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "frames/ProgramState.h"
#include "screen/ScreenModel.h"

namespace ravo {

class ProfileWindow {
public:
    static constexpr int kBars = 60;
    static constexpr double kTwipsPerDegree = 150;

    // The window's boxes are in `screen`; the profiled address and the last
    // temperature are kept in `state`, whose time texts stamp each temperature.
    ProfileWindow(ScreenModel& screen, ProgramState& state, char decimalSeparator)
        : screen_(screen), state_(state), decimalSeparator_(decimalSeparator) {}

    bool loaded() const { return loaded_; }
    bool shown() const { return shown_; }
    // Bar i (0 at the bottom, newest) in twips; may be negative for a negative temperature.
    double barWidth(int i) const { return bars_[static_cast<size_t>(i)]; }
    bool timerEnabled() const { return loaded_ && intervalMs_ > 0; }
    long long intervalMs() const { return intervalMs_; }

    // Double-click on temperature address cell txttempadd(row): profile that
    // address and show the window (loading it first when it is not loaded).
    void open(int row);
    // The same for an address chosen elsewhere (the transmitter table).
    void openAddress(long long address);
    // The temperature decoder's last step: hands on the first temperature when the
    // packet comes from the profiled transmitter.
    void feed(std::int32_t address, double value1);
    // One tick of the sampling timer: the bars move up by one, the newest sample
    // (the temperature box read as a number) enters at the bottom.
    void timerTick();
    // "Exit": closes and unloads the window; the profiled address stays.
    void exit();
    // The update period box changed: the interval follows it.
    void periodChanged();

    // Called whenever the window's state changes (load, show, bars, unload).
    std::function<void()> changed;

private:
    void load();
    void notify() const {
        if (changed) changed();
    }

    ScreenModel& screen_;
    ProgramState& state_;
    const char decimalSeparator_;
    bool loaded_ = false;
    bool shown_ = false;
    long long intervalMs_ = 2000;
    std::array<double, kBars> bars_{};
};

}  // namespace ravo
