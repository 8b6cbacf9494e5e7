// CRC-16/MODBUS (reflected polynomial 0xA001, initial 0xFFFF, no final XOR),
// transmitted low byte first. Received frames carry it in their last two bytes;
// commands to the receiver have it appended.
#pragma once

#include <cstdint>
#include <string_view>

#include "frames/ProgramState.h"

namespace ravo {

// The CRC register after running over the bytes.
struct Crc16 {
    std::uint8_t low = 0xFF;
    std::uint8_t high = 0xFF;
    void update(std::uint8_t byte);
};

Crc16 crc16(std::string_view bytes);

// Computes the CRC over frame bytes 2 to FrameLength-2 into CrcLow/CrcHigh and
// sets CrcOk when bytes FrameLength-1 and FrameLength hold it.
void checkFrameCrc(ProgramState& st);

// Computes the CRC over every character of CommandText into CrcLow/CrcHigh.
void commandCrc(ProgramState& st);

}  // namespace ravo
