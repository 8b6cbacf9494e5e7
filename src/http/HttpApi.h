// The bodies of the endpoints, from a snapshot of the feed or from the history
// store: JSON (UTF-8) for the API, Prometheus' text format for /metrics.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "history/HistoryReport.h"
#include "http/HttpFeed.h"

namespace ravo {

// [{"address":..,"family":..,"readings":..,...,"silent":..,"fields_time":..,
//   "fields":{"temperature_1_C":{"value":21.5,"unit":"°C","label":"Temperature 1"},..}},..]
std::string transmittersBody(const HttpSnapshot& s);
// One of them; empty when the address is not held.
std::string transmitterBody(const HttpSnapshot& s, std::int32_t address);

// The metric a numeric field is shown as: "ravo_temperature_1_celsius" (its
// unit in Prometheus' base unit), "ravo_count_total" (a counter); and the factor
// that takes a value to that unit. Empty for a flag or a text.
struct FieldMetric {
    std::string name;
    double scale = 1;
    bool counter = false;
};
FieldMetric fieldMetric(const FieldDecl& d);

// Prometheus text format 0.0.4: the counts, each transmitter's last-seen time,
// signal level, battery and silence, and every numeric field of its latest
// reading, labelled {address, family}.
std::string metricsBody(const HttpSnapshot& s);

// {"source":..,"connected":true|false|null,"frames":..,"bad_frames":..,"repeats":..,
//  "readings":..,"transmitters":..,"mqtt":..,"influx":..,"history":true|false}
std::string statusBody(const HttpSnapshot& s);

// The readings as `ravo-cli history readings --json` prints them, from the store
// at `historyPath`: false with a status (404 without a store, 400 for a request it
// cannot answer, 500) and a one-line reason. `limit`: bytes at most.
bool readingsBody(const std::string& historyPath, const ReadingsRequest& request, std::size_t limit, std::string& body,
                  int& status, std::string& reason);

}  // namespace ravo
