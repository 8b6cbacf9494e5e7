#include "session/qt/SessionLoop.h"

#include "serial/qt/StopSignals.h"
#include "session/Session.h"

namespace ravo {

SessionLoop::SessionLoop(Session& session, std::function<void()> stop, QObject* parent)
    : QObject(parent), session_(session) {
    everySecond_.setInterval(1000);
    QObject::connect(&everySecond_, &QTimer::timeout, this, [this] { session_.everySecond(); });
    everySecond_.start();
    stop_ = std::make_unique<StopSignals>(std::move(stop));
    reopen_ = std::make_unique<ReopenSignal>([this] { session_.reopenOutputs(); });
}

SessionLoop::~SessionLoop() = default;

bool SessionLoop::ok() const { return stop_->ok() && reopen_->ok(); }

}  // namespace ravo
