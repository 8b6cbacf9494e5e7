// The one place where readings fan out to every output that wants them (JSON
// lines, MQTT, the transmitter registry); each is optional.
#pragma once

#include <algorithm>
#include <vector>

#include "readings/Reading.h"

namespace ravo {

class ReadingFanOut : public ReadingSink {
public:
    void add(ReadingSink* sink) {
        sinks_.push_back(sink);
        wantsFields_ = wantsFields_ || sink->wantsFields();
        wantsBadFrames_ = wantsBadFrames_ || sink->wantsBadFrames();
    }
    void remove(ReadingSink* sink) {
        sinks_.erase(std::remove(sinks_.begin(), sinks_.end(), sink), sinks_.end());
        wantsFields_ = std::any_of(sinks_.begin(), sinks_.end(), [](const ReadingSink* s) { return s->wantsFields(); });
        wantsBadFrames_ =
            std::any_of(sinks_.begin(), sinks_.end(), [](const ReadingSink* s) { return s->wantsBadFrames(); });
    }
    bool empty() const { return sinks_.empty(); }
    bool wantsFields() const override { return wantsFields_; }
    bool wantsBadFrames() const override { return wantsBadFrames_; }

    void reading(const Reading& r) override {
        for (ReadingSink* s : sinks_) s->reading(r);
    }
    void badFrame(const BadFrameEvent& e) override {
        for (ReadingSink* s : sinks_)
            if (s->wantsBadFrames()) s->badFrame(e);
    }
    void connection(const ConnectionEvent& e) override {
        for (ReadingSink* s : sinks_) s->connection(e);
    }
    void repeatDropped(std::int32_t address, const LocalTime& time) override {
        for (ReadingSink* s : sinks_) s->repeatDropped(address, time);
    }

private:
    std::vector<ReadingSink*> sinks_;
    bool wantsFields_ = false;
    bool wantsBadFrames_ = false;
};

}  // namespace ravo
