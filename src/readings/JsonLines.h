// Readings, bad frames and connection events as JSON lines: one UTF-8 JSON object
// per event, keys in a fixed order (docs/JSON.md).
#pragma once

#include <cstdio>
#include <string>

#include "readings/Reading.h"

namespace ravo {

// {"time":..,"type":..,"family":..,"address":..,"status":..,"band":"vhf"|"uhf",
//  "battery_low":..,"firmware":..,"s_level":.., family fields.., "line":..}; the
// flags and the S level are left out where the packet does not give them. Whole
// doubles keep a decimal point (20.0), so a field's JSON type never changes.
std::string readingJson(const Reading& r);
// {"event":"bad_frame","time":..,"bytes":"82 00 12 ..","line":..}
std::string badFrameJson(const BadFrameEvent& e);
// {"event":"connection_lost"|"reconnected","time":..,"device":..}
std::string connectionJson(const ConnectionEvent& e);

// Writes one line per reading, bad frame and connection event to a stream it does
// not own. Dropped repeats are not written.
class JsonLinesSink : public ReadingSink {
public:
    // flushEachLine: flush after every line (live outputs); otherwise the stream's
    // own buffering applies and the owner flushes.
    JsonLinesSink(std::FILE* out, bool flushEachLine) : out_(out), flushEachLine_(flushEachLine) {}

    void reading(const Reading& r) override { write(readingJson(r)); }
    void badFrame(const BadFrameEvent& e) override { write(badFrameJson(e)); }
    void connection(const ConnectionEvent& e) override { write(connectionJson(e)); }

    // True once a write has failed (for example a full disk); writing goes on.
    bool failed() const { return failed_; }

private:
    void write(std::string line);

    std::FILE* out_;
    bool flushEachLine_;
    bool failed_ = false;
};

}  // namespace ravo
