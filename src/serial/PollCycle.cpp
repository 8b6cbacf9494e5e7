// The poll cycle: each tick of the 10 ms timer hands the front of the receive
// buffer to the frame decoder once.
#include "core/Receiver.h"

namespace ravo {

bool Receiver::tick() {
    if (state.receiveBuffer.empty()) return false;
    frameDecoder();
    return true;
}

}  // namespace ravo
