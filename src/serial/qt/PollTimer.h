// Drives the poll cycle from a 10 ms timer that runs only while the receive
// buffer has work, so an idle monitor does not wake for it. When the front of the
// buffer waits for the rest of an item, the timer rests until more bytes arrive;
// a wait that lasts kWaitLimitMs is given up so that decoding goes on.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace ravo {

class Clock;
class Receiver;

class PollTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int kWaitLimitMs = 2000;

    // Each cycle decodes at the time `clock` reads when it starts.
    PollTimer(Receiver& rx, const Clock& clock, QObject* parent = nullptr);

    // Received bytes are waiting: make sure the timer runs.
    void kick();
    bool active() const { return timer_.isActive(); }
    bool waiting() const { return waitLimit_.isActive(); }

    // Called after every tick that ran the decoder.
    std::function<void()> afterTick;
    // Called around every tick that may run the decoder (a recorder takes the
    // bytes that arrived since the last one as one event).
    std::function<void()> beforeCycle;
    std::function<void()> afterCycle;

private:
    void onTimeout();
    void onWaitLimit();

    Receiver& rx_;
    const Clock& clock_;
    QTimer timer_;
    QTimer waitLimit_;
};

}  // namespace ravo
