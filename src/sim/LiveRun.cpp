#include "sim/LiveRun.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <random>
#include <string>

#include "common/TimeTexts.h"
#include "core/Receiver.h"
#include "sim/Recorder.h"

namespace ravo {
namespace {

constexpr std::int64_t kNever = INT64_MAX;
constexpr std::int64_t kTickMs = 10;
constexpr std::int64_t kWaitLimitMs = 2000;

class Run {
public:
    Run(Receiver& rx, SettableClock& clock, Recorder* recorder, sim::Simulator& traffic, const LiveRunOptions& o)
        : rx_(rx), clock_(clock), recorder_(recorder), traffic_(traffic), o_(o), rng_(o.seed) {
        byteUs_ = 10'000'000 / std::max(o.baud, 1);
        nextPacket_ = nextPacketAfter(0);
        nextAction_ = o.actionEvery > 0 ? exponential(o.actionEvery * 1000) : kNever;
    }

    void run() {
        const auto end = static_cast<std::int64_t>(o_.seconds * 1000);
        while (true) {
            const std::int64_t at =
                std::min({nextPacket_, nextDelivery_, nextTick_, waitLimitAt_, nextClock_, nextAction_});
            if (at > end) break;
            moveTo(at);
            if (at == nextPacket_) packet();
            else if (at == nextDelivery_) deliver();
            else if (at == nextTick_) tick();
            else if (at == waitLimitAt_) waitLimit();
            else if (at == nextClock_) clockTick();
            else operatorAction();
        }
        // The program is stopped: what has arrived is worked off.
        moveTo(end);
        decode([&] {
            while (!rx_.state().receiveBuffer.empty()) {
                const size_t before = rx_.state().receiveBuffer.size();
                rx_.tick(clock_.now());
                if (rx_.state().receiveBuffer.size() == before) break;
            }
        });
    }

private:
    std::int64_t exponential(double meanMs) {
        return std::max<std::int64_t>(
            1, static_cast<std::int64_t>(std::exponential_distribution<double>(1.0 / meanMs)(rng_)));
    }
    std::int64_t nextPacketAfter(std::int64_t t) {
        double rate = o_.rate;
        if (o_.burstRate > 0 && std::fmod(static_cast<double>(t) / 1000.0, o_.burstEvery) < o_.burstEvery / 10)
            rate = o_.burstRate;
        return t + exponential(1000.0 / rate);
    }
    void moveTo(std::int64_t t) {
        if (t > now_) clock_.advance(static_cast<double>(t - now_) / 1000.0);
        now_ = t;
    }
    template <class F>
    void decode(F f) {
        if (recorder_) recorder_->beginDecoding();
        f();
        if (recorder_) recorder_->endDecoding();
    }

    // The packet goes onto the line behind what is still being sent.
    void packet() {
        const std::string bytes = traffic_.next().bytes;
        std::int64_t us = std::max(lineFreeUs_, now_ * 1000);
        for (const char c : bytes) {
            us += byteUs_;
            line_.push_back({us, c});
        }
        lineFreeUs_ = us;
        if (nextDelivery_ == kNever) nextDelivery_ = now_ + 1 + static_cast<std::int64_t>(rng_() % 8);
        nextPacket_ = nextPacketAfter(now_);
    }
    // The driver hands over what has come in so far.
    void deliver() {
        std::string chunk;
        while (!line_.empty() && line_.front().first <= now_ * 1000) {
            chunk.push_back(line_.front().second);
            line_.pop_front();
        }
        nextDelivery_ = line_.empty() ? kNever : now_ + 1 + static_cast<std::int64_t>(rng_() % 8);
        if (chunk.empty()) return;
        rx_.receive(chunk);
        waitLimitAt_ = kNever;
        if (nextTick_ == kNever && !rx_.state().receiveBuffer.empty()) nextTick_ = now_ + kTickMs;
    }
    void tick() {
        const size_t before = rx_.state().receiveBuffer.size();
        bool ran = false;
        decode([&] { ran = rx_.pollCycle(clock_.now()); });
        const size_t after = rx_.state().receiveBuffer.size();
        nextTick_ = now_ + kTickMs;
        if (!ran || after == 0) {
            nextTick_ = kNever;
        } else if (after == before) {
            nextTick_ = kNever;
            waitLimitAt_ = now_ + kWaitLimitMs;
        }
    }
    void waitLimit() {
        waitLimitAt_ = kNever;
        if (rx_.state().receiveBuffer.empty()) return;
        rx_.giveUpWait();
        tick();
    }
    void clockTick() {
        rx_.setTime(clock_.now());
        if (recorder_) recorder_->flush();  // as the programs do once a second
        nextClock_ = now_ + 1000;
    }
    void operatorAction() {
        const auto& site = traffic_.site();
        switch (rng_() % 5) {
            case 0: rx_.type({Field::txtaddfilter, 0}, std::to_string(site[rng_() % site.size()].address)); break;
            case 1: rx_.type({Field::txtaddfilter, 0}, "0"); break;
            case 2: rx_.click("btClear"); break;
            case 3: rx_.click("cmdseqadd"); break;
            default: rx_.doubleClick("txt_errorcount"); break;
        }
        nextAction_ = now_ + exponential(o_.actionEvery * 1000);
    }

    Receiver& rx_;
    SettableClock& clock_;
    Recorder* recorder_;
    sim::Simulator& traffic_;
    LiveRunOptions o_;
    std::mt19937 rng_;
    std::int64_t byteUs_;
    std::int64_t now_ = 0;
    std::int64_t lineFreeUs_ = 0;
    std::deque<std::pair<std::int64_t, char>> line_;  // byte and the microsecond it has arrived
    std::int64_t nextPacket_ = kNever, nextDelivery_ = kNever, nextTick_ = kNever, waitLimitAt_ = kNever;
    std::int64_t nextClock_ = 1000, nextAction_ = kNever;
};

}  // namespace

void runLive(Receiver& rx, SettableClock& clock, Recorder* recorder, sim::Simulator& traffic,
             const LiveRunOptions& options) {
    Run(rx, clock, recorder, traffic, options).run();
}

}  // namespace ravo
