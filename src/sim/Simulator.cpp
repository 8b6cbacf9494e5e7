#include "sim/Simulator.h"

#include <algorithm>
#include <cmath>

namespace ravo::sim {
namespace {

std::uint8_t hi(int v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }
std::uint8_t lo(int v) { return static_cast<std::uint8_t>(v & 0xFF); }

// A temperature in tenths as sign and 15-bit magnitude.
std::array<std::uint8_t, 2> signMagnitude(double celsius) {
    const int tenths = static_cast<int>(std::lround(std::fabs(celsius) * 10)) & 0x7FFF;
    return {static_cast<std::uint8_t>((celsius < 0 ? 0x80 : 0) | (tenths >> 8)), lo(tenths)};
}

// A temperature in half degrees as a 15-bit two's complement word.
int halfDegreeWord(double celsius) {
    const int halves = static_cast<int>(std::lround(celsius * 2));
    return halves >= 0 ? halves : (halves + 32768) | 0x4000;
}

}  // namespace

std::vector<int> typesOfBand(bool vhf) {
    if (vhf) return {0x82, 0x7A, 0x7B, 0x81, 0x88, 0xF1, 0xF2};
    return {0x82, 0x83, 0x84, 0x85, 0x86, 0x8A, 0x7A, 0x7B, 0x81, 0x87, 0x88, 0x89, 0x8B, 0x8F, 0xF2};
}

Simulator::Simulator(bool vhf, std::uint32_t seed, Forms forms) : vhf_(vhf), forms_(forms), rng_(seed) {
    std::uint32_t address = 1000 + static_cast<std::uint32_t>(below(1000)) * 2;
    for (const int type : typesOfBand(vhf)) {
        // The signal-strength report travels only wrapped in STX or as an "Rtl" line.
        if (type == 0x7B && forms == Forms::Binary) continue;
        const int copies = type == 0xF1 ? 4 : type == 0xF2 ? 2 : 1;
        for (int k = 0; k < copies; ++k) {
            SimulatedTransmitter t{type, address, 3, 0};
            if (type == 0xF2) t.address = address + static_cast<std::uint32_t>(k);  // even: pressure, odd: flow
            if (type == 0xF1) t.deviceType = k;
            t.reading = 10 + below(200) / 10.0;
            site_.push_back(t);
            address += 2 + static_cast<std::uint32_t>(below(40)) * 2;
        }
    }
}

PacketBody Simulator::packetOf(SimulatedTransmitter& t) {
    const int level = 3 + below(12);  // S level in the top bits of byte 9 on VHF
    const int battery = below(20) == 0 ? 0x80 : 0;
    int status = battery | t.firmware;
    std::array<std::uint8_t, 4> d{};
    auto drift = [&](double step) { t.reading += (below(21) - 10) * step; };
    switch (t.type) {
        case 0x82: {
            drift(0.5);
            t.reading = std::clamp(t.reading, -20.0, 60.0);
            const int w1 = halfDegreeWord(t.reading), w2 = halfDegreeWord(t.reading - 1);
            status |= below(4) == 0 ? 0x10 : 0;
            d = {hi(w1), lo(w1), hi(w2), lo(w2)};
            break;
        }
        case 0x83: {
            const int srh = 1500 + below(500), st = 5800 + below(600);
            d = {hi(srh), lo(srh), hi(st), lo(st)};
            break;
        }
        case 0x84:
        case 0x81:
        case 0x87:
        case 0x88: {
            t.reading += below(50);
            const int count = static_cast<int>(t.reading) & 0xFFFFFF;
            if (t.type != 0x84) status |= (below(2) ? 0x10 : 0) | (t.type >= 0x87 && below(2) ? 0x20 : 0);
            d = {static_cast<std::uint8_t>(count >> 16), hi(count), lo(count), 0};
            break;
        }
        case 0x85: {
            const int a = below(4096), b = below(4096);
            d = {hi(a), lo(a), hi(b), lo(b)};
            break;
        }
        case 0x86: {
            drift(0.5);
            const int w = static_cast<int>(std::lround(std::clamp(t.reading, 0.0, 1000.0) * 2));
            d = {hi(w), lo(w), 0, 0};
            break;
        }
        case 0x8A:
        case 0x7A: {
            drift(0.1);
            const auto m = signMagnitude(t.reading);
            const int rawReading = below(1024);
            status |= 0;
            d = {m[0], m[1], hi(rawReading), lo(rawReading)};
            if (t.type == 0x7A && below(3) == 0) d[2] = 0x80;  // the short form
            break;
        }
        case 0x7B: status = 40 + below(60); break;  // a signal strength in place of the status
        case 0x89: {
            const int w = below(3000);
            d = {static_cast<std::uint8_t>(t.firmware), hi(w), lo(w), 0};
            break;
        }
        case 0x8B: {
            t.reading += below(100);
            const auto c = static_cast<std::uint32_t>(t.reading);
            d = {static_cast<std::uint8_t>(c >> 24), static_cast<std::uint8_t>(c >> 16),
                 static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
            break;
        }
        case 0x8F: d = {static_cast<std::uint8_t>(below(256)), static_cast<std::uint8_t>(below(256)), 0, 0}; break;
        case 0xF2: {
            if (t.address & 1) {
                t.reading += below(30);
                const int c = static_cast<int>(t.reading) & 0xFFFFFF;
                d = {static_cast<std::uint8_t>(c >> 16), hi(c), lo(c), 0};
            } else {
                const int p = below(4000) - 500;
                d = {hi(p), lo(p), 0, 0};
            }
            break;
        }
        case 0xF1: {
            if (t.deviceType == 0) {  // ADC: recognised by its status alone
                const int a = below(65536), b = below(65536);
                return makeBody(0xF1, t.address, 0x42 | battery, {hi(a), lo(a), hi(b), lo(b)});
            }
            if (!t.identified || below(10) == 0) {  // the ID packet, now and then
                t.identified = true;
                return makeBody(0xF1, t.address, 0x40, {0, static_cast<std::uint8_t>(t.deviceType), 0, 0});
            }
            if (below(6) == 0) {  // the serial number
                const std::uint32_t sn = 100000 + t.address;
                return makeBody(0xF1, t.address, 0x41,
                                {static_cast<std::uint8_t>(sn >> 24), static_cast<std::uint8_t>(sn >> 16),
                                 static_cast<std::uint8_t>(sn >> 8), static_cast<std::uint8_t>(sn)});
            }
            status = t.firmware | (t.deviceType == 3 && below(4) == 0 ? 0x20 : 0);
            if (t.deviceType == 1) {
                drift(0.1);
                const int w = static_cast<int>(std::lround(t.reading * 10)) & 0xFFFF;
                d = {hi(w), lo(w), 0x12, 0x34};
            } else if (t.deviceType == 2) {
                t.reading += below(20);
                const auto r = static_cast<std::uint32_t>(t.reading);
                d = {static_cast<std::uint8_t>(r >> 24), static_cast<std::uint8_t>(r >> 16),
                     static_cast<std::uint8_t>(r >> 8), static_cast<std::uint8_t>(r)};
            } else {
                d = {static_cast<std::uint8_t>(below(256)), static_cast<std::uint8_t>(below(256)), 0, 0};
            }
            break;
        }
        default: break;
    }
    if (vhf_ && t.type != 0xF1) d[3] = static_cast<std::uint8_t>((d[3] & 0x0F) | (level << 4));
    return makeBody(t.type, t.address, status, d);
}

std::string Simulator::encode(const PacketBody& body) {
    if (body[0] == 0x7B) return below(2) ? stxPayload(body, vhf_) : rtlLine(body);
    if (forms_ == Forms::Binary) return binaryFrame(body);
    // Spaced text lines are left out: an 0xFF pair anywhere behind one changes how it is cut.
    const int form = below(20);
    if (form < 15) return binaryFrame(body);
    if (form < 17) return stxPayload(body, vhf_);
    if (form < 19) return hexLine(body);
    return rtlLine(body);
}

SimEvent Simulator::next() {
    if (!last_.empty() && below(25) == 0) return {SimEvent::Kind::Repeat, last_};  // heard twice in a row
    SimulatedTransmitter& t = site_[static_cast<size_t>(below(static_cast<int>(site_.size())))];
    const PacketBody body = packetOf(t);
    if (below(30) == 0 && body[0] != 0x7B) {
        std::string bad = binaryFrame(body);
        bad[static_cast<size_t>(4 + below(5))] ^= static_cast<char>(1 << below(8));  // a bit flipped on air
        last_.clear();
        return {SimEvent::Kind::Corrupted, bad};
    }
    last_ = encode(body);
    return {SimEvent::Kind::Packet, last_};
}

}  // namespace ravo::sim
