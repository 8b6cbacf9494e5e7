// Home Assistant discovery: one retained config message per value of a
// transmitter, so that each value becomes an entity of a device "ravo_ADDRESS".
// What an entity is (sensor or binary_sensor, device class, unit, state class)
// follows from the field name, <quantity>[_<n>]_<unit>, and the value's kind.
#pragma once

#include <cstdint>
#include <string>

#include "readings/Reading.h"

namespace ravo {

struct EntityKind {
    std::string component = "sensor";  // or "binary_sensor"
    std::string deviceClass;           // empty: none
    std::string unit;                  // empty: none
    std::string stateClass;            // "measurement", "total_increasing" or empty
};

// What the value `value` of the field `name` is shown as.
EntityKind entityKind(const std::string& name, const FieldValue& value);

struct DiscoverySettings {
    std::string prefix = "ravo";          // topic prefix of the readings
    std::string discoveryPrefix = "homeassistant";
    std::string manufacturer = "Ravo";
    int expireAfterSeconds = 7200;        // the value is shown unavailable when not heard for this long
};

struct DiscoveryMessage {
    std::string topic;    // homeassistant/<component>/ravo_ADDRESS/FIELD/config
    std::string payload;  // the config, JSON
};

// The config of one value of the transmitter that sent `r`.
DiscoveryMessage discoveryMessage(const Reading& r, const std::string& field, const FieldValue& value,
                                  const DiscoverySettings& settings);

}  // namespace ravo
