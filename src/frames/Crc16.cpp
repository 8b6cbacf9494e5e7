#include "frames/Crc16.h"

namespace ravo {

void Crc16::update(std::uint8_t byte) {
    low ^= byte;
    for (int bit = 0; bit < 8; ++bit) {
        const bool carry = low & 1;
        low = static_cast<std::uint8_t>((low >> 1) | ((high & 1) << 7));
        high = static_cast<std::uint8_t>(high >> 1);
        if (carry) {
            high ^= 0xA0;
            low ^= 0x01;
        }
    }
}

Crc16 crc16(std::string_view bytes) {
    Crc16 crc;
    for (const char b : bytes) crc.update(static_cast<std::uint8_t>(b));
    return crc;
}

void checkFrameCrc(ProgramState& st) {
    Crc16 crc;
    for (int i = 2; i <= st.frameLength - 2; ++i) crc.update(static_cast<std::uint8_t>(st.byte(i)));
    st.crcLow = crc.low;
    st.crcHigh = crc.high;
    st.crcOk = st.byte(st.frameLength - 1) == crc.low && st.byte(st.frameLength) == crc.high;
}

void commandCrc(ProgramState& st) {
    const Crc16 crc = crc16(st.commandText);
    st.crcLow = crc.low;
    st.crcHigh = crc.high;
}

}  // namespace ravo
