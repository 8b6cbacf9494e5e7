// A session on the Qt event loop: its once-a-second work on a timer, SIGHUP
// reopening its files, and SIGINT or SIGTERM calling the front end's stop.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace ravo {

class ReopenSignal;
class Session;
class StopSignals;

class SessionLoop : public QObject {
public:
    SessionLoop(Session& session, std::function<void()> stop, QObject* parent = nullptr);
    ~SessionLoop() override;

    // False when the signal handling could not be set up.
    bool ok() const;

private:
    Session& session_;
    QTimer everySecond_;
    std::unique_ptr<StopSignals> stop_;
    std::unique_ptr<ReopenSignal> reopen_;
};

}  // namespace ravo
