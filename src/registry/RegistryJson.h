// The registry's records as JSON objects for the JSON-lines output: silence events
// and one transmitter's summary. Times are ISO 8601 local times with their offset.
#pragma once

#include <nlohmann/json.hpp>

#include "registry/TransmitterRegistry.h"

namespace ravo {

// {"event":"silent"|"back","time":...,"address":1234,"family":"temperature","last_heard":...}
nlohmann::ordered_json silenceEventJson(const SilenceEvent& e);

// {"event":"transmitter","address":...,"family":...,"readings":...,"repeats":...,"first_heard":...,"last_heard":...,
//  "median_interval_s":...,"s_level_last":...,"s_level_min":...,"s_level_max":...,
//  "battery_low":...,"firmware":...,"line":...,"silent":...}; null where unknown.
nlohmann::ordered_json transmitterJson(const TransmitterSummary& t);

}  // namespace ravo
