// Home Assistant discovery: one retained config message per value of a
// transmitter, so that each value becomes an entity of a device "ravo_ADDRESS".
// What an entity is (sensor or binary_sensor, device class, unit, state class)
// and its name are the field's declaration.
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

// What a value of the declared field is shown as: a flag is a binary sensor.
EntityKind entityKind(const FieldDecl& field);

struct DiscoverySettings {
    std::string prefix = "ravo";  // topic prefix of the readings
    std::string discoveryPrefix = "homeassistant";
    std::string manufacturer = "Ravo";
    int expireAfterSeconds = 7200;  // the value is shown unavailable when not heard for this long
};

struct DiscoveryMessage {
    std::string topic;    // homeassistant/<component>/ravo_ADDRESS/FIELD/config
    std::string payload;  // the config, JSON
};

// The config of one value of the transmitter that sent `r`.
DiscoveryMessage discoveryMessage(const Reading& r, const FieldDecl& field, const DiscoverySettings& settings);

}  // namespace ravo
