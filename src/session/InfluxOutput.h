// The InfluxDB output of a session: the writer the options ask for, and what is
// told about it while it runs and at the stop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "influx/InfluxWriter.h"
#include "session/SessionOptions.h"

namespace ravo {

// The writer the options ask for (not yet started); `out` stays empty without a
// URL. False with a one-line reason on a bad URL or an unreadable token file.
bool makeInfluxWriter(const InfluxOptions& options, std::unique_ptr<InfluxWriter>& out, std::string& error);

// What changed since the last look, as lines to tell: a request failing (once per
// cause, not once per batch), writing again after that, and the count of lines
// dropped or refused when it grew.
class InfluxWatch {
public:
    std::vector<std::string> changes(const InfluxWriter& writer);

private:
    std::string why_;
    std::uint64_t dropped_ = 0;
    std::uint64_t refused_ = 0;
};

// At the stop, after the writer was given `waitSeconds` to deliver: what was not
// delivered, dropped or refused, with the last failure; nothing when all arrived.
std::vector<std::string> influxStopReport(const InfluxWriter& writer, int waitSeconds);

}  // namespace ravo
