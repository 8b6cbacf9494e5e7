#include "publish/Discovery.h"

#include <cctype>
#include <nlohmann/json.hpp>
#include <vector>

namespace ravo {
namespace {

struct UnitRow {
    const char* suffix;
    const char* deviceClass;
    const char* unit;
    const char* stateClass;
};

// The unit suffixes of the field names and what they mean to Home Assistant.
const UnitRow kUnits[] = {
    {"C", "temperature", "\xC2\xB0" "C", "measurement"},
    {"K", "temperature", "K", "measurement"},
    {"pct", "", "%", "measurement"},
    {"V", "voltage", "V", "measurement"},
    {"mV", "voltage", "mV", "measurement"},
    {"A", "current", "A", "measurement"},
    {"mA", "current", "mA", "measurement"},
    {"W", "power", "W", "measurement"},
    {"kW", "power", "kW", "measurement"},
    {"Wh", "energy", "Wh", "total_increasing"},
    {"kWh", "energy", "kWh", "total_increasing"},
    {"Hz", "frequency", "Hz", "measurement"},
    {"Pa", "pressure", "Pa", "measurement"},
    {"hPa", "pressure", "hPa", "measurement"},
    {"kPa", "pressure", "kPa", "measurement"},
    {"mbar", "pressure", "mbar", "measurement"},
    {"bar", "pressure", "bar", "measurement"},
    {"psi", "pressure", "psi", "measurement"},
    {"m3", "volume", "m\xC2\xB3", "total_increasing"},
    {"L", "volume", "L", "total_increasing"},
    {"mm", "distance", "mm", "measurement"},
    {"cm", "distance", "cm", "measurement"},
    {"m", "distance", "m", "measurement"},
    {"s", "duration", "s", "measurement"},
    {"min", "duration", "min", "measurement"},
    {"h", "duration", "h", "measurement"},
    {"dB", "sound_pressure", "dB", "measurement"},
    {"dBm", "signal_strength", "dBm", "measurement"},
    {"ohm", "", "\xCE\xA9", "measurement"},
    {"ppm", "", "ppm", "measurement"},
};

std::vector<std::string> parts(const std::string& name) {
    std::vector<std::string> out(1);
    for (const char c : name) {
        if (c == '_') out.emplace_back();
        else out.back() += c;
    }
    return out;
}

bool has(const std::string& name, const char* word) { return name.find(word) != std::string::npos; }

const UnitRow* unitOf(const std::vector<std::string>& p) {
    if (p.size() < 2) return nullptr;
    for (const UnitRow& row : kUnits)
        if (p.back() == row.suffix) return &row;
    return nullptr;
}

// "temperature_1_C" -> "Temperature 1"
std::string displayName(const std::string& field) {
    if (field == "s_level") return "Signal level";
    if (field == "firmware") return "Firmware";
    if (field == "battery_low") return "Battery low";
    std::vector<std::string> p = parts(field);
    if (unitOf(p)) p.pop_back();
    std::string out;
    for (const std::string& s : p) out += (out.empty() ? "" : " ") + s;
    if (!out.empty()) out[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[0])));
    return out;
}

}  // namespace

EntityKind entityKind(const std::string& name, const FieldValue& value) {
    EntityKind k;
    if (std::holds_alternative<bool>(value)) {
        k.component = "binary_sensor";
        if (has(name, "battery")) k.deviceClass = "battery";
        else if (has(name, "leak") || has(name, "water")) k.deviceClass = "moisture";
        else if (has(name, "tamper")) k.deviceClass = "tamper";
        else if (has(name, "contact") || has(name, "open")) k.deviceClass = "opening";
        else if (has(name, "alarm") || has(name, "fault") || has(name, "error")) k.deviceClass = "problem";
        return k;
    }
    // A text or the firmware version: no unit, no statistics.
    if (std::holds_alternative<std::string>(value) || name == "firmware") return k;
    const std::vector<std::string> p = parts(name);
    if (const UnitRow* row = unitOf(p)) {
        k.deviceClass = row->deviceClass;
        k.unit = row->unit;
        k.stateClass = row->stateClass;
        if (row->suffix == std::string("pct")) {
            if (has(p.front(), "humidity")) k.deviceClass = "humidity";
            else if (has(p.front(), "battery")) k.deviceClass = "battery";
        }
    } else {
        k.stateClass = "measurement";
    }
    // Counters only ever go up (a wrap or a reset starts a new cycle for Home Assistant).
    if (has(name, "count") || has(name, "pulses") || has(name, "total")) k.stateClass = "total_increasing";
    return k;
}

DiscoveryMessage discoveryMessage(const Reading& r, const std::string& field, const FieldValue& value,
                                  const DiscoverySettings& s) {
    const EntityKind kind = entityKind(field, value);
    const std::string address = std::to_string(r.address);
    const std::string node = "ravo_" + address;
    const std::string state = s.prefix + "/transmitters/" + address;

    nlohmann::ordered_json j;
    j["name"] = displayName(field);
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
    if (field == "s_level" || field == "battery_low" || field == "firmware") j["entity_category"] = "diagnostic";
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
