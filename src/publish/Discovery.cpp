#include "publish/Discovery.h"

#include <nlohmann/json.hpp>

namespace ravo {
namespace {

// The common fields of the header stage describe the transmitter's radio and
// firmware rather than what it measures.
bool isDiagnostic(const FieldDecl& f) {
    return &f == &kSLevelField || &f == &kBatteryLowField || &f == &kFirmwareField;
}

}  // namespace

EntityKind entityKind(const FieldDecl& f) {
    EntityKind k;
    if (f.kind == FieldKind::Flag) k.component = "binary_sensor";
    k.deviceClass = f.deviceClass;
    k.unit = f.unit;
    k.stateClass = f.stateClass;
    return k;
}

DiscoveryMessage discoveryMessage(const Reading& r, const FieldDecl& decl, const DiscoverySettings& s) {
    const EntityKind kind = entityKind(decl);
    const std::string field(decl.name);
    const std::string address = std::to_string(r.address);
    const std::string node = "ravo_" + address;
    const std::string state = s.prefix + "/transmitters/" + address;

    nlohmann::ordered_json j;
    j["name"] = std::string(decl.label);
    j["unique_id"] = node + "_" + field;
    j["state_topic"] = state;
    j["value_template"] = "{{ value_json." + field + " }}";
    if (kind.component == "binary_sensor") {
        // The template renders JSON true and false as Python's True and False.
        j["payload_on"] = "True";
        j["payload_off"] = "False";
    }
    if (!kind.deviceClass.empty()) j["device_class"] = kind.deviceClass;
    if (!kind.unit.empty()) j["unit_of_measurement"] = kind.unit;
    if (!kind.stateClass.empty()) j["state_class"] = kind.stateClass;
    if (isDiagnostic(decl)) j["entity_category"] = "diagnostic";
    j["expire_after"] = s.expireAfterSeconds;
    j["availability_topic"] = state + "/availability";
    j["device"] = {{"identifiers", {node}},
                   {"name", "Ravo " + r.family + " " + address},
                   {"model", r.family},
                   {"manufacturer", s.manufacturer}};
    return {s.discoveryPrefix + "/" + kind.component + "/" + node + "/" + field + "/config",
            j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)};
}

}  // namespace ravo
