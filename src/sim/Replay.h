// Replaying a capture against a receiver: receive events, clock lines and operator
// actions, in order. After each receive event the poll cycle ticks until the
// receive buffer is empty or a tick leaves it unchanged.
#pragma once

#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "core/Receiver.h"
#include "sim/Capture.h"

namespace ravo {

// The system clock until a capture sets the time; then it stands still until the
// next "@" or "+" line.
class ReplayClock : public Clock {
public:
    LocalTime now() const override { return fixed_ ? fixed_->now() : system_.now(); }
    void set(const LocalTime& t) { fixed_.emplace(t); }
    void advance(double seconds);

private:
    SystemClock system_;
    std::optional<SettableClock> fixed_;
};

// Ticks the poll cycle until the buffer is empty or a tick leaves it unchanged,
// every item at the time `now`.
void drainReceiveBuffer(Receiver& rx, const LocalTime& now);

// Applies an operator's typing to a box named as in the capture format
// ("txtzero[2]", "txtaddfilter"); false when no such box exists. The text is
// UTF-8 and is stored as 8-bit characters.
bool typeIntoBox(Receiver& rx, const std::string& name, const std::string& utf8Text);

struct ReplayError {
    size_t line;
    std::string reason;
};

// Reads the capture to its end, or to the first line that fits no record.
// `afterRecord`, when set, runs after every record (on the capture's clock).
std::optional<ReplayError> replayCapture(std::istream& in, Receiver& rx, ReplayClock& clock,
                                         const std::function<void()>& afterRecord = {});

// Carries out one record (a receive event is followed by draining the buffer);
// the reason when it cannot be.
std::optional<std::string> applyRecord(const capture::Record& record, Receiver& rx, ReplayClock& clock);

struct CaptureLine {
    size_t line;
    capture::Record record;
};

// Reads a whole capture before any of it is played, every line checked (operator
// actions on a scratch receiver); the first bad line is the error. Comments and
// blank lines are left out.
std::optional<ReplayError> loadCapture(std::istream& in, std::vector<CaptureLine>& out);

}  // namespace ravo
