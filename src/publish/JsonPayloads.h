// JSON texts of the readings, bad frames and connection events for the MQTT
// messages, one object each, UTF-8. The keys of a reading: time, type, family,
// address, status, band, then battery_low, firmware and s_level when the packet
// carries them, the family's fields in the order the decoder added them, and the
// monitor line when there is one.
#pragma once

#include <string>

#include "readings/Reading.h"

namespace ravo {

std::string readingPayload(const Reading& r);
std::string badFramePayload(const BadFrameEvent& e);      // {"time", "bytes", "line"}
std::string connectionPayload(const ConnectionEvent& e);  // {"time", "event": "lost"|"reconnected", "device"}

}  // namespace ravo
