// Everything a decoder produces, in the order it produces it: the message line,
// one row of a reading log, the grid cells of its row, the typed reading and the
// temperature profile. The receiver implements it; a decoder sees nothing else of
// the program.
#pragma once

#include <cstdint>
#include <string>

#include "frames/ProgramState.h"
#include "readings/Reading.h"
#include "screen/ScreenModel.h"

namespace ravo {

class DecoderOutput {
public:
    virtual ~DecoderOutput() = default;

    // The frame's message line: shown in the message box when the address filter
    // is off or names `address`; the frame's reading carries it whatever the filter
    // says. The line is kept until the next frame.
    virtual void showMessage(std::string line, std::int32_t address) = 0;

    // One row of the temperature log, and of the pulse log with its serial-number
    // column, for the frame in hand (its address and time). `status` fills the
    // Status column.
    virtual void logTemperature(int status, const std::string& sLevel, const std::string& value1,
                                const std::string& value2) = 0;
    virtual void logPulse(int status, const std::string& sLevel, const std::string& value1, const std::string& value2,
                          const std::string& serial) = 0;

    // The grids (and every other box).
    virtual ScreenModel& screen() = 0;

    // The F1 state of a pulse-grid row (0 to 19).
    virtual F1RowState& f1Row(int row) = 0;

    // The reading of the frame in hand, or null when no output wants readings (then
    // nothing is built at all).
    virtual Reading* reading() = 0;

    // A temperature of the frame in hand for the profile window (it keeps those of
    // the profiled transmitter).
    virtual void feedProfile(double temperature) = 0;

    // Number text with the configured decimal separator.
    virtual std::string number(double v) const = 0;
};

}  // namespace ravo
