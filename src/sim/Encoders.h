// Encoders for the forms in which the receiver forwards a packet: binary frames,
// STX-wrapped payloads, hexadecimal text lines and "Rtl" lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ravo::sim {

// The nine bytes of a packet before its CRC: type, address (3, MSB first),
// status, four data bytes.
using PacketBody = std::array<std::uint8_t, 9>;

PacketBody makeBody(int type, std::uint32_t address, int status, std::array<std::uint8_t, 4> data);

// 11 bytes: the body and its CRC-16, low byte first.
std::string binaryFrame(const PacketBody& body);
// STX, marker, 3 bytes, 0xB0, a 12-byte payload, 2 bytes, ETX. On VHF the payload
// carries one extra byte ahead of the address; on UHF one after the data.
std::string stxPayload(const PacketBody& body, bool vhf);
// The frame as 22 hexadecimal digits, CR LF and an 0xFF pair.
std::string hexLine(const PacketBody& body);
// The frame as 11 spaced pairs with its CR in the 35th place.
std::string spacedHexLine(const PacketBody& body);
// "Rtl " and the nine body bytes in hexadecimal, then CR.
std::string rtlLine(const PacketBody& body);

}  // namespace ravo::sim
