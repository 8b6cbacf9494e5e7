// The half-degree temperature word used by several transmitter families.
#pragma once

#include <optional>

namespace ravo {

// W = 256 H + L. H bit 7: sensor error (no value). H bit 6: negative, 15-bit two's
// complement, (W - 32768) / 2. H bit 3: negative, 12-bit two's complement,
// (W - 4096) / 2. Otherwise W / 2.
inline std::optional<double> halfDegreeTemperature(int high, int low) {
    const int w = high * 256 + low;
    if (high & 0x80) return std::nullopt;
    if (high & 0x40) return (w - 32768) / 2.0;
    if (high & 0x08) return (w - 4096) / 2.0;
    return w / 2.0;
}

}  // namespace ravo
