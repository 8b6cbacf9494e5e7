// The poll cycle: each tick of the 10 ms timer hands the front of the receive
// buffer to the frame decoder. One item a tick while the backlog is small; when
// data piles up faster than that, the tick keeps going until the backlog is back
// under a threshold or its time is used up, so nothing is lost and memory stays
// bounded.
#include <chrono>

#include "core/Receiver.h"

namespace ravo {

bool Receiver::tick(const LocalTime& now) {
    if (state_.receiveBuffer.empty()) return false;
    now_ = now;
    frameDecoder();
    return true;
}

bool Receiver::pollCycle(const LocalTime& now) {
    if (!tick(now)) return false;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + kCatchUpBudget;
    size_t before = state_.receiveBuffer.size();
    // A raised message stops the tick: the window shows it before decoding goes on.
    while (before > kCatchUpThreshold && pendingErrors_.empty() && clock::now() < deadline) {
        tick(now);
        const size_t after = state_.receiveBuffer.size();
        if (after == before) break;  // waiting for more input
        before = after;
    }
    return true;
}

}  // namespace ravo
