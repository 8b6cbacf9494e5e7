// Simulated receiver traffic: a site of transmitters of every family the band
// decodes, each sending now and then, in every form the receiver forwards, with
// a few corrupted frames and repeated transmissions.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sim/Encoders.h"

namespace ravo::sim {

struct SimulatedTransmitter {
    int type;
    std::uint32_t address;
    int firmware;
    double reading;      // temperature, count, level ... as the family needs
    int deviceType = 0;  // F1 family: 0 ADC, 1 PT100, 2 direct read, 3 logger-plus
    bool identified = false;
};

struct SimEvent {
    enum class Kind { Packet, Corrupted, Repeat };
    Kind kind;
    std::string bytes;  // one receive event
};

// Which forms the packets travel in. Binary frames alone survive any backlog;
// the mixed forms include text and "Rtl" lines, whose rules can sweep away items
// that sit in front of them in a crowded receive buffer.
enum class Forms { Mixed, Binary };

class Simulator {
public:
    Simulator(bool vhf, std::uint32_t seed, Forms forms = Forms::Mixed);

    SimEvent next();
    const std::vector<SimulatedTransmitter>& site() const { return site_; }

private:
    int below(int n) { return static_cast<int>(rng_() % static_cast<std::uint32_t>(n)); }
    PacketBody packetOf(SimulatedTransmitter& t);
    std::string encode(const PacketBody& body);

    bool vhf_;
    Forms forms_;
    std::mt19937 rng_;
    std::vector<SimulatedTransmitter> site_;
    std::string last_;
};

// The type codes that a band decodes.
std::vector<int> typesOfBand(bool vhf);

}  // namespace ravo::sim
