#include "serial/qt/PollTimer.h"

#include "core/Receiver.h"

namespace ravo {

PollTimer::PollTimer(Receiver& rx, QObject* parent) : QObject(parent), rx_(rx) {
    timer_.setInterval(10);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &PollTimer::onTimeout);
}

void PollTimer::kick() {
    if (!paused_ && !timer_.isActive() && !rx_.state.receiveBuffer.empty()) timer_.start();
}

void PollTimer::setPaused(bool paused) {
    paused_ = paused;
    if (paused) timer_.stop();
    else kick();
}

void PollTimer::onTimeout() {
    if (paused_ || !rx_.pollCycle()) {
        timer_.stop();
        return;
    }
    if (afterTick) afterTick();
}

}  // namespace ravo
