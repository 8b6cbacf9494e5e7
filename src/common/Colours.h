// Colour numbers: blue x 65536 + green x 256 + red.
#pragma once

#include <cstdint>

namespace ravo {

using Colour = std::uint32_t;

constexpr Colour rgb(int red, int green, int blue) {
    return static_cast<Colour>(blue) * 65536u + static_cast<Colour>(green) * 256u + static_cast<Colour>(red);
}
constexpr int redOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

namespace colour {
constexpr Colour black = 0;
constexpr Colour red = 255;
constexpr Colour blue = 16711680;
constexpr Colour magenta = 16711935;
}  // namespace colour

}  // namespace ravo
