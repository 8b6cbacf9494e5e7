// The CSV reading logs: one row per reading, appended to the day's file (one file
// per log, or one per transmitter), a header line on a new file, CR LF line ends.
#pragma once

#include <string>

namespace ravo {

class Receiver;

// The temperature log (types of the temperature grid).
void logReading(Receiver& rx, const std::string& slevel, const std::string& value1, const std::string& value2);

// The pulse log (types of the pulse grid), with its serial-number column.
void logReadingWithSerial(Receiver& rx, const std::string& slevel, const std::string& value1, const std::string& value2,
                          const std::string& serial);

inline constexpr const char* kLogInaccessible = "Log file inaccessible! Close file to resume logging.";

}  // namespace ravo
