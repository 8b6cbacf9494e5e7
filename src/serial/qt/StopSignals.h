// Turns SIGINT and SIGTERM into a call on the event loop, so that a program
// stopped by the operator or a service manager shuts down in order: what has
// arrived is worked off, the receiver is told monitor-off and files are closed.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace ravo {

class StopSignals : public QObject {
public:
    // Calls `stop` on the event loop for each SIGINT or SIGTERM. One object per
    // process; false from ok() when the signals could not be set up.
    explicit StopSignals(std::function<void()> stop, QObject* parent = nullptr);
    ~StopSignals() override;

    bool ok() const { return notifier_ != nullptr; }

private:
    std::function<void()> stop_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ravo
