#include "serial/qt/PollTimer.h"

#include "common/Clock.h"
#include "core/Receiver.h"

namespace ravo {

PollTimer::PollTimer(Receiver& rx, const Clock& clock, QObject* parent) : QObject(parent), rx_(rx), clock_(clock) {
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PollTimer::onTimeout);
    waitLimit_.setSingleShot(true);
    waitLimit_.setInterval(kWaitLimitMs);
    connect(&waitLimit_, &QTimer::timeout, this, &PollTimer::onWaitLimit);
}

void PollTimer::kick() {
    waitLimit_.stop();
    if (!timer_.isActive() && !rx_.state().receiveBuffer.empty()) timer_.start();
}

void PollTimer::onTimeout() {
    const size_t before = rx_.state().receiveBuffer.size();
    if (beforeCycle) beforeCycle();
    const bool ran = rx_.pollCycle(clock_.now());
    if (afterCycle) afterCycle();
    if (!ran) {
        timer_.stop();
        return;
    }
    if (afterTick) afterTick();
    const size_t after = rx_.state().receiveBuffer.size();
    if (after == 0) {
        timer_.stop();
    } else if (after == before && rx_.pendingErrors().empty()) {
        // The front waits for more input: rest until it comes, or give up in time.
        timer_.stop();
        waitLimit_.start();
    }
}

void PollTimer::onWaitLimit() {
    if (rx_.state().receiveBuffer.empty()) return;
    rx_.giveUpWait();
    timer_.start();
    onTimeout();
}

}  // namespace ravo
