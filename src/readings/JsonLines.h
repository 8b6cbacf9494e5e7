// Readings, bad frames and connection events as JSON lines: one UTF-8 JSON object
// per event, keys in a fixed order (docs/JSON.md).
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "readings/JsonWriter.h"
#include "readings/Reading.h"

namespace ravo {

// {"time":..,"type":..,"family":..,"address":..,"status":..,"band":"vhf"|"uhf",
//  "battery_low":..,"firmware":..,"s_level":.., family fields.., "line":..}; the
// flags and the S level are left out where the packet does not give them. Whole
// doubles keep a decimal point (20.0), so a field's JSON type never changes;
// doubles carry at most 15 significant digits. 8-bit texts (the lines) are
// converted from ISO-8859-1; other texts are written as given.
std::string readingJson(const Reading& r);
// {"event":"bad_frame","time":..,"bytes":"82 00 12 ..","line":..}
std::string badFrameJson(const BadFrameEvent& e);
// {"event":"connection_lost"|"reconnected","time":..,"device":..}
std::string connectionJson(const ConnectionEvent& e);

// A field's value as the JSON lines write it (8-bit texts converted from ISO-8859-1).
void writeFieldValue(JsonWriter& w, const FieldValue& v);

// ,"battery_low":..,"firmware":..,"s_level":.. for those that are given.
void writeFlagsAndLevel(JsonWriter& w, const std::optional<bool>& batteryLow, const std::optional<int>& firmware,
                        const std::optional<double>& sLevel);

// The same, written on (no newline).
void writeReadingJson(JsonWriter& w, const Reading& r);
void writeBadFrameJson(JsonWriter& w, const BadFrameEvent& e);
void writeConnectionJson(JsonWriter& w, const ConnectionEvent& e);

// Writes one line per reading, bad frame and connection event to a stream it does
// not own. Dropped repeats are not written.
class JsonLinesSink : public ReadingSink {
public:
    // flushEachLine: flush after every line (live outputs); otherwise the stream's
    // own buffering applies and the owner flushes.
    JsonLinesSink(std::FILE* out, bool flushEachLine) : out_(out), flushEachLine_(flushEachLine) {}

    void reading(const Reading& r) override;
    void badFrame(const BadFrameEvent& e) override;
    void connection(const ConnectionEvent& e) override;

    // True once a write has failed (for example a full disk); writing goes on.
    bool failed() const { return failed_; }

private:
    void write();  // the writer's text and a newline

    JsonWriter writer_;  // reused from event to event
    std::FILE* out_;
    bool flushEachLine_;
    bool failed_ = false;
};

}  // namespace ravo
