#include "app/ReplayPlayer.h"

#include "common/Clock.h"

namespace ravo::app {
namespace {

// A batch of records at full speed lasts this long before the window gets a turn.
constexpr qint64 kBatchMs = 20;

double millisecondsOf(const LocalTime& t) { return static_cast<double>(wallMillis(t)); }

}  // namespace

ReplayPlayer::ReplayPlayer(Receiver& rx, ReplayClock& clock, std::vector<CaptureLine> lines, double speed,
                           QObject* parent)
    : QObject(parent), rx_(rx), clock_(clock), lines_(std::move(lines)), speed_(speed) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &ReplayPlayer::step);
}

void ReplayPlayer::start() {
    wall_.start();
    timer_.start(0);
}

double ReplayPlayer::stepOf(const capture::Record& record) {
    if (const auto* set = std::get_if<capture::SetTime>(&record)) {
        const double to = millisecondsOf(set->time);
        const double step = captureMs_ ? to - *captureMs_ : 0;
        captureMs_ = to;
        return step > 0 ? step : 0;
    }
    if (const auto* advance = std::get_if<capture::Advance>(&record)) {
        const double step = advance->seconds * 1000.0;
        if (captureMs_) *captureMs_ += step;
        return step;
    }
    return 0;
}

void ReplayPlayer::step() {
    QElapsedTimer batch;
    batch.start();
    while (next_ < lines_.size()) {
        const capture::Record& record = lines_[next_].record;
        if (speed_ > 0 && !waited_) {
            // The capture's clock moves on: wait that long (divided by the speed) first.
            dueMs_ += stepOf(record) / speed_;
            const double wait = dueMs_ - static_cast<double>(wall_.elapsed());
            if (wait >= 1) {
                waited_ = true;
                timer_.start(static_cast<int>(wait));
                return;
            }
        }
        waited_ = false;
        if (const auto* receive = std::get_if<capture::Receive>(&record)) {
            // The bytes arrive, then the decoder works them off.
            rx_.receive(receive->bytes);
            if (beforeDecoding) beforeDecoding();
            drainReceiveBuffer(rx_, clock_.now());
            if (afterDecoding) afterDecoding();
        } else {
            applyRecord(record, rx_, clock_);  // checked when the capture was loaded
        }
        ++next_;
        if (batch.elapsed() >= kBatchMs) {
            timer_.start(0);
            return;
        }
    }
    if (onFinished) onFinished();
}

}  // namespace ravo::app
