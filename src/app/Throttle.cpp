#include "app/Throttle.h"

namespace ravo::app {

Throttle::Throttle(std::function<void()> action, QObject* parent, int intervalMs)
    : QObject(parent), action_(std::move(action)), intervalMs_(intervalMs) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &Throttle::run);
}

void Throttle::request() {
    if (timer_.isActive()) return;  // already folded into the coming run
    const qint64 since = sinceRun_.isValid() ? sinceRun_.elapsed() : intervalMs_;
    if (since >= intervalMs_) {
        run();
    } else {
        timer_.start(static_cast<int>(intervalMs_ - since));
    }
}

void Throttle::flush() {
    if (timer_.isActive()) run();
}

void Throttle::run() {
    timer_.stop();
    sinceRun_.start();
    action_();
}

}  // namespace ravo::app
