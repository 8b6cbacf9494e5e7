#include "registry/RegistryJson.h"

#include "common/Latin1.h"
#include "readings/IsoTime.h"

namespace ravo {
namespace {

template <class T>
nlohmann::ordered_json orNull(const std::optional<T>& v) {
    return v ? nlohmann::ordered_json(*v) : nlohmann::ordered_json(nullptr);
}

}  // namespace

nlohmann::ordered_json silenceEventJson(const SilenceEvent& e) {
    nlohmann::ordered_json j;
    j["event"] = e.kind == SilenceEvent::Kind::Silent ? "silent" : "back";
    j["time"] = isoTime(e.time);
    j["address"] = e.address;
    j["family"] = e.family;
    j["last_heard"] = isoTime(e.lastHeard);
    return j;
}

nlohmann::ordered_json transmitterJson(const TransmitterSummary& t) {
    nlohmann::ordered_json j;
    j["event"] = "transmitter";
    j["address"] = t.address;
    j["family"] = t.family;
    j["readings"] = t.readings;
    j["repeats"] = t.repeats;
    j["first_heard"] = isoTime(t.firstHeard);
    j["last_heard"] = isoTime(t.lastHeard);
    j["median_interval_s"] = orNull(t.medianIntervalS);
    j["s_level_last"] = orNull(t.sLevel);
    j["s_level_min"] = orNull(t.sLevelMin);
    j["s_level_max"] = orNull(t.sLevelMax);
    j["battery_low"] = orNull(t.batteryLow);
    j["firmware"] = orNull(t.firmware);
    j["line"] = t.line ? nlohmann::ordered_json(latin1ToUtf8(*t.line)) : nlohmann::ordered_json(nullptr);
    j["silent"] = t.silent;
    return j;
}

}  // namespace ravo
