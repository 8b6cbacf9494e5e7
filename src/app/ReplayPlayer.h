// Plays a capture into the window as if it arrived live: at its recorded pace
// (the steps between its clock lines) times a speed, or as fast as the window can
// take it, with the receiver's clock following the capture's clock and the
// operator's actions applied. Each receive event is decoded at once, as ravo-cli
// decode does, so the window shows and logs what decode would.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

#include "sim/Replay.h"

namespace ravo::app {

class ReplayPlayer : public QObject {
    Q_OBJECT
public:
    // speed: 1 = the recorded pace, 2 = twice as fast, ...; 0 = as fast as possible.
    ReplayPlayer(Receiver& rx, ReplayClock& clock, std::vector<CaptureLine> lines, double speed,
                 QObject* parent = nullptr);

    void start();
    bool finished() const { return next_ >= lines_.size(); }

    // Around each receive event's decoding (a recorder notes the decoder's clock reads).
    std::function<void()> beforeDecoding;
    std::function<void()> afterDecoding;
    // Called once when the whole capture has been played.
    std::function<void()> onFinished;

private:
    void step();
    // Milliseconds the capture's clock moves on with this record.
    double stepOf(const capture::Record& record);

    Receiver& rx_;
    ReplayClock& clock_;
    std::vector<CaptureLine> lines_;
    double speed_;
    size_t next_ = 0;
    std::optional<double> captureMs_;  // the capture's clock, in milliseconds
    double dueMs_ = 0;                 // when the next record is due, on the wall clock since start
    bool waited_ = false;              // the next record's wait is over
    QElapsedTimer wall_;
    QTimer timer_;
};

}  // namespace ravo::app
