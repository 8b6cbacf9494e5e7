// A checked frame as the header stage read it: the item's bytes, where the header
// starts, the header fields, the signal-level text, the band and the time texts.
// The decoders read a frame and nothing else of the receiver's state.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/TimeTexts.h"

namespace ravo {

struct Frame {
    // The item's bytes, positions 1 to 1000 (index 0 unused); not owned.
    const std::array<int, 1001>* bytes = nullptr;
    int headerOffset = 0;  // 1 on a wrapped 12-byte VHF frame, else 0
    int type = 0;          // byte 1
    std::int32_t address = 0;
    int status = 0;
    std::array<std::uint8_t, 4> payload{};
    std::string signalLevel;  // " 5" on VHF (byte 9 / 16), empty on UHF
    bool vhfBand = true;
    // The time texts of the frame; not owned.
    const TimeTexts* time = nullptr;

    // Byte n (1-based) of the item.
    int byte(int n) const { return bytes && n >= 1 && n <= 1000 ? (*bytes)[static_cast<size_t>(n)] : 0; }
    // "hh:mm:ss" of the frame.
    const std::string& timeText() const { return time->timeText; }
};

}  // namespace ravo
