// A JSON snapshot of the screen model: message box, error count, monitor pane and
// both grids, with 8-bit texts written as the code points U+0000 to U+00FF.
#pragma once

#include <string>

namespace ravo {

class Receiver;

std::string stateSnapshotJson(const Receiver& rx);

}  // namespace ravo
