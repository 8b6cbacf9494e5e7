// Runs an action at most once per interval: a request when the last run is at
// least an interval old runs it at once; requests within the interval are folded
// into one run at its end. Widgets that mirror a fast stream of model changes
// redraw a few times a second instead of once per frame, and a single change (the
// clock, one frame, the operator's typing) is still shown at once.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

namespace ravo::app {

class Throttle : public QObject {
public:
    static constexpr int kDefaultIntervalMs = 100;

    Throttle(std::function<void()> action, QObject* parent, int intervalMs = kDefaultIntervalMs);

    void request();
    // Runs a pending action now (a window about to be read or pictured).
    void flush();
    bool pending() const { return timer_.isActive(); }

private:
    void run();

    std::function<void()> action_;
    int intervalMs_;
    QTimer timer_;
    QElapsedTimer sinceRun_;
};

}  // namespace ravo::app
