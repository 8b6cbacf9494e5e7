// Drives the poll cycle from a 10 ms timer that runs only while the receive
// buffer holds something, so an idle monitor does not wake for it.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

namespace ravo {

class Receiver;

class PollTimer : public QObject {
    Q_OBJECT
public:
    explicit PollTimer(Receiver& rx, QObject* parent = nullptr);

    // Received bytes are waiting: make sure the timer runs.
    void kick();
    // While paused (a modal message is open) no tick reaches the decoder; bytes
    // keep collecting in the buffer.
    void setPaused(bool paused);
    bool active() const { return timer_.isActive(); }

    // Called after every tick that ran the decoder.
    std::function<void()> afterTick;

private:
    void onTimeout();

    Receiver& rx_;
    QTimer timer_;
    bool paused_ = false;
};

}  // namespace ravo
