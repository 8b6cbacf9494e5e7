// Items that no decoder accepts: counted, dumped to the message box and appended
// to the day's error file.
#pragma once

#include <string>

namespace ravo {

class Receiver;
struct ProgramState;

// "$82,$0,...,$E6$44,12:34:56": every byte, the computed CRC and the time.
std::string errorLine(const ProgramState& st);

void handleBadFrame(Receiver& rx);

}  // namespace ravo
