// How a session tells of the transmitter registry: silence events as lines, and
// the transmitter table after decode's input or in a file.
#pragma once

#include <string>

#include "registry/TransmitterRegistry.h"

namespace ravo {

// "PROGRAM: transmitter 1234 (temperature) silent since 2026-12-09 14:05:09" or
// "... back at 2026-12-09 14:07:00", without the line end.
std::string silenceEventText(const std::string& program, const SilenceEvent& e);

// The transmitter table: CSV, or with `json` one transmitter object a line.
std::string summaryText(const TransmitterRegistry& registry, bool json);

}  // namespace ravo
