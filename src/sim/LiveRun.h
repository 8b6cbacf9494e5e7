// Drives a receiver the way the live programs do, in simulated time: packets of
// the traffic simulator travel over the serial line at its baud rate and arrive
// in small chunks, the 10 ms poll timer handles the buffer, a wait that lasts two
// seconds is given up, the window's clock ticks (and the recording is flushed)
// once a second and the operator now and then types a filter or presses a
// button. With a recorder, this shows how close a replay of the recording comes
// to the live run.
#pragma once

#include <cstdint>

#include "common/Clock.h"
#include "sim/Simulator.h"

namespace ravo {

class Receiver;
class Recorder;

struct LiveRunOptions {
    double seconds = 60;     // simulated time
    double rate = 2;         // packets a second
    double burstRate = 0;    // packets a second during a burst (none when 0)
    double burstEvery = 30;  // seconds from one burst to the next; each lasts a tenth of that
    int baud = 9600;
    double actionEvery = 0;  // mean seconds between operator actions (none when 0)
    std::uint32_t seed = 1;
};

// `clock` is the source of the receiver's clock (the recorder's tap over it when
// recording); it is moved on with the simulated time.
void runLive(Receiver& rx, SettableClock& clock, Recorder* recorder, sim::Simulator& traffic,
             const LiveRunOptions& options);

}  // namespace ravo
