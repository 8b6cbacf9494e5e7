// Pieces of the monitor line that most decoders share.
#pragma once

#include <string>

#include "common/NumberText.h"
#include "frames/Frame.h"

namespace ravo {

// Label followed by the spaced address ("Temperature - Address: " + " 1234").
inline std::string labelAndAddress(const Frame& frame, const char* label) {
    return label + spacedNumber(frame.address);
}

inline bool lowBattery(int status) { return (status & 0x80) != 0; }
inline const char* kLowBattery = " LOW BATTERY";

// "  F/W V 3 - 12:00:00": the firmware version (status bits 0-3) and the time.
inline std::string firmwareAndTime(const Frame& frame, int status) {
    return "  F/W V" + spacedNumber(status & 0x0F) + " - " + frame.timeText();
}

// " - 12:00:00"
inline std::string timeSuffix(const Frame& frame) { return " - " + frame.timeText(); }

inline constexpr const char* kDegreesC =
    " \xB0"
    "C";  // space, degree sign, C

}  // namespace ravo
