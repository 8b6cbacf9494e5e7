// What the history queries print: CSV with a header line, or JSON lines. Kept
// apart from any front end, so a command line or a server can give the same.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "history/HistoryQuery.h"

namespace ravo {

// Receives the output piece by piece.
using ReportOut = std::function<void(std::string_view)>;

// address,family,first_heard,last_heard,readings; or one object a line.
std::string transmittersReport(const std::vector<TransmitterHistory>& transmitters, bool json);

struct ReadingsRequest {
    ReadingSpan span;
    // Empty: every field of the family the readings carry. Besides those, a
    // field may be kSLevelField's name, the S level any reading may carry.
    std::vector<std::string> fields;
    std::int64_t everySeconds = 0;  // above 0: one row per interval that holds readings
    bool json = false;
};

// time and one column per field; as JSON lines the objects of the JSON lines
// (without the monitor line; an imported row names its file and line). With
// everySeconds: start, count and FIELD_min, FIELD_mean, FIELD_max per numeric
// field, intervals aligned to multiples of everySeconds since the Unix epoch.
// False with a one-line reason (e.g. a field the transmitter never had).
bool readingsReport(HistoryReader& reader, const ReadingsRequest& request, const ReportOut& out, std::string& error);

}  // namespace ravo
