// The "Message Received" box and its address filter.
#pragma once

#include <cstdint>
#include <string>

#include "screen/ScreenModel.h"

namespace ravo {

// Shows the message line of a frame from `address` when the filter is off (0) or
// names that address.
void showMessageLine(ScreenModel& screen, const std::string& line, std::int32_t address);

}  // namespace ravo
