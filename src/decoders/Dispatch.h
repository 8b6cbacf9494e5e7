// The dispatch table: which decoder takes a checked frame, by type code and band.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace ravo {

struct Frame;
class DecoderOutput;

using DecoderFn = void (*)(const Frame&, DecoderOutput&);

enum class Band { Either, UhfOnly, VhfOnly };

struct DispatchRow {
    std::uint8_t typeCode;
    Band band;
    DecoderFn decode;  // null while the family has no decoder: its frames are bad frames
    const char* family;
    std::string_view key;  // short lowercase name of the family in readings, e.g. "fixed_pulse"
};

extern const std::array<DispatchRow, 16> kDispatchTable;

// The first row whose type code is `typeCode` and whose band condition holds, or
// null. The CRC condition is the caller's.
const DispatchRow* findDispatchRow(int typeCode, bool vhfBand);

}  // namespace ravo
