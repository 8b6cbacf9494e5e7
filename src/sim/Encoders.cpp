#include "sim/Encoders.h"

#include "common/NumberText.h"
#include "frames/Crc16.h"

namespace ravo::sim {
namespace {

std::string withCrc(std::string bytes) {
    const Crc16 crc = crc16(std::string_view(bytes).substr(1));
    bytes.push_back(static_cast<char>(crc.low));
    bytes.push_back(static_cast<char>(crc.high));
    return bytes;
}

std::string raw(const PacketBody& b) { return std::string(b.begin(), b.end()); }

}  // namespace

PacketBody makeBody(int type, std::uint32_t address, int status, std::array<std::uint8_t, 4> data) {
    return {static_cast<std::uint8_t>(type),
            static_cast<std::uint8_t>(address >> 16),
            static_cast<std::uint8_t>(address >> 8),
            static_cast<std::uint8_t>(address),
            static_cast<std::uint8_t>(status),
            data[0],
            data[1],
            data[2],
            data[3]};
}

std::string binaryFrame(const PacketBody& body) { return withCrc(raw(body)); }

std::string stxPayload(const PacketBody& body, bool vhf) {
    std::string payload = raw(body);
    if (vhf) payload.insert(payload.begin() + 1, '\x00');
    else payload.push_back('\x00');
    payload = withCrc(payload);
    std::string out = std::string("\x02\x11\x00\x00\x00\xB0", 6) + payload + std::string("\x00\x00\x03", 3);
    return out;
}

std::string hexLine(const PacketBody& body) {
    std::string line;
    for (char c : binaryFrame(body)) line += hexByte(static_cast<unsigned char>(c));
    return line + "\r\n\xFF\xFF";
}

std::string spacedHexLine(const PacketBody& body) {
    std::string line;
    for (char c : binaryFrame(body)) line += hexByte(static_cast<unsigned char>(c)) + " ";
    return line + " \r";
}

std::string rtlLine(const PacketBody& body) {
    std::string line = "Rtl ";
    for (std::uint8_t b : body) line += hexByte(b);
    return line + "\r";
}

}  // namespace ravo::sim
