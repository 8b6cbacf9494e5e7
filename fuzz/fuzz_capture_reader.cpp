// Arbitrary text as a capture: every record kind, replayed against a receiver.
#include <cstdint>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "sim/Capture.h"
#include "sim/Replay.h"

using namespace ravo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Each line alone, and the whole text as a replay.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const capture::Record r = capture::parseLine(line);
        if (const auto* rec = std::get_if<capture::Receive>(&r)) {
            // What is written back reads the same.
            const auto again = capture::parseLine(capture::quotedLine(rec->bytes));
            if (std::get<capture::Receive>(again).bytes != rec->bytes) __builtin_trap();
        }
    }
    fuzz::FuzzReceiver f;
    ReplayClock clock;
    clock.set(LocalTime{2026, 12, 7, 12, 0, 0, 0});
    Receiver rx(clock.now(), f.files, ReceiverSettings{"/logs/", '.'});
    rx.observeErrors(nullptr, false);
    std::istringstream in(text);
    (void)replayCapture(in, rx, clock);
    return 0;
}
