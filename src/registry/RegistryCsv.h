// The transmitter table as CSV: what `ravo-cli decode --summary` prints, what
// `listen --summary-file` keeps up to date and what the monitor exports.
#pragma once

#include <string>

#include "registry/TransmitterRegistry.h"

namespace ravo {

extern const char* const kSummaryCsvHeader;

// The header and one row per transmitter ordered by address, each line ended by
// LF. Unknown values are empty fields; "silent" is empty while silence is off.
std::string summaryCsv(const TransmitterRegistry& registry);

// A number of seconds or a level with up to three decimals and no trailing zeros.
std::string shortNumber(double v);

// Writes the CSV to a temporary file in the same folder and renames it over
// `path`, so a reader never sees half a table. False with a reason on failure.
bool writeSummaryFile(const TransmitterRegistry& registry, const std::string& path, std::string& error);

}  // namespace ravo
