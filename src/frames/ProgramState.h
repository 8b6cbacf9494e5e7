// The program-wide state shared by the frame handling and the decoders: the
// receive buffer, the current item and its header fields, the CRC register, the
// time texts, the band, the per-row F1 state and the profiled address.
// An object rather than globals, so that a test can make as many as it likes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/TimeTexts.h"
#include "frames/Frame.h"
#include "frames/ReceiveBuffer.h"
#include "screen/ScreenModel.h"

namespace ravo {

// Per pulse-grid-row state of the F1 family; reset when the row's address changes.
struct F1RowState {
    std::int32_t deviceType = 0;  // 0 = not known
    int mainStatus = 0;           // status of the stored main packet; 0 = none
    std::array<std::uint8_t, 4> savedPayload{};
    std::uint32_t serialNumber = 0;  // 0 = not known
};

struct ProgramState {
    ReceiveBuffer receiveBuffer;

    // The current item, positions 1 to 1000 (index 0 unused).
    std::array<int, 1001> frameBytes{};
    int frameLength = 0;
    int headerOffset = 0;
    bool textLineMode = false;
    bool rtlLine = false;

    // CRC-16 register and result, and the command being composed.
    std::uint8_t crcLow = 0;
    std::uint8_t crcHigh = 0;
    bool crcOk = false;
    std::string commandText;

    // The current frame as the header stage read it (its bytes and time texts are
    // the ones below).
    Frame frame;

    TimeTexts time;
    bool vhfBand = true;

    std::array<F1RowState, kGridRows + 1> f1{};

    std::int64_t profileAddress = 0;
    double profileTemperature = 0;

    // Bad items since start or the last reset; 64 bits, so it never turns negative.
    std::uint64_t errorCount = 0;

    // Waits for a line end that were given up, and the bytes dropped by them.
    std::uint64_t abandonedWaits = 0;
    std::uint64_t abandonedBytes = 0;
    // Calls of the frame decoder that dropped bytes without cutting an item.
    std::uint64_t discardedItems = 0;
    // Set when the current wait has lasted too long: the next call gives it up.
    bool giveUpWait = false;

    // Byte n (1-based) of the current item.
    int byte(int n) const { return n >= 1 && n <= 1000 ? frameBytes[static_cast<size_t>(n)] : 0; }
};

}  // namespace ravo
