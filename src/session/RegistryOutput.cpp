#include "session/RegistryOutput.h"

#include "registry/RegistryCsv.h"
#include "registry/RegistryJson.h"

namespace ravo {

std::string silenceEventText(const std::string& program, const SilenceEvent& e) {
    const std::string who = program + ": transmitter " + std::to_string(e.address) + " (" + e.family + ")";
    if (e.kind == SilenceEvent::Kind::Silent) return who + " silent since " + civilTime(e.lastHeard);
    return who + " back at " + civilTime(e.time);
}

std::string summaryText(const TransmitterRegistry& registry, bool json) {
    if (!json) return summaryCsv(registry);
    std::string out;
    for (const TransmitterSummary& t : registry.snapshot()) out += transmitterJson(t).dump() + "\n";
    return out;
}

}  // namespace ravo
