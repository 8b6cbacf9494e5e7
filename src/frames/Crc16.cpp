#include "frames/Crc16.h"

namespace ravo {

namespace {

// The register update, eight shifts with feedback 0xA001, for every value of the
// low byte after the XOR: the table turns eight steps into one look-up.
struct Table {
    std::uint16_t value[256];
    constexpr Table() : value{} {
        for (int i = 0; i < 256; ++i) {
            std::uint16_t r = static_cast<std::uint16_t>(i);
            for (int bit = 0; bit < 8; ++bit)
                r = (r & 1) ? static_cast<std::uint16_t>((r >> 1) ^ 0xA001) : static_cast<std::uint16_t>(r >> 1);
            value[i] = r;
        }
    }
};
constexpr Table kTable;

}  // namespace

void Crc16::update(std::uint8_t byte) {
    const std::uint16_t reg = static_cast<std::uint16_t>((high << 8) | low);
    const std::uint16_t next = static_cast<std::uint16_t>((reg >> 8) ^ kTable.value[(reg ^ byte) & 0xFF]);
    low = static_cast<std::uint8_t>(next & 0xFF);
    high = static_cast<std::uint8_t>(next >> 8);
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
