// Turns POSIX signals into calls on the event loop. SIGINT and SIGTERM stop a
// program in order (what has arrived is worked off, the receiver is told
// monitor-off, files are closed); SIGHUP makes it close and reopen the files it
// holds open, once logrotate has moved them away.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace ravo {

class SignalEvents : public QObject {
public:
    // Calls `handler` on the event loop for each of the signals `which` that arrives. One
    // object per signal and process; false from ok() when they could not be set up.
    SignalEvents(std::initializer_list<int> which, std::function<void()> handler, QObject* parent = nullptr);
    ~SignalEvents() override;

    bool ok() const { return ok_; }

private:
    std::function<void()> handler_;
    std::vector<int> signals_;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
    bool ok_ = true;
};

// SIGINT and SIGTERM.
class StopSignals : public SignalEvents {
public:
    explicit StopSignals(std::function<void()> stop, QObject* parent = nullptr);
};

// SIGHUP.
class ReopenSignal : public SignalEvents {
public:
    explicit ReopenSignal(std::function<void()> reopen, QObject* parent = nullptr);
};

}  // namespace ravo
