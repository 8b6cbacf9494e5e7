// The CSV reading logs: one row per reading, appended to the day's file (one file
// per log, or one per transmitter), a header line on a new file, CR LF line ends.
// The log settings (folder, prefixes, enabled, one file or one per transmitter)
// are read from their boxes in the screen model.
#pragma once

#include <cstdint>
#include <string>

#include "common/TimeTexts.h"
#include "presentation/ErrorSink.h"
#include "presentation/FileSystem.h"
#include "screen/ScreenModel.h"

namespace ravo {

// The columns of one row: the frame's time and address, the status shown in the
// Status column, the S level and the two values.
struct LogRow {
    const TimeTexts& time;
    std::int32_t address;
    int status;
    const std::string& sLevel;
    const std::string& value1;
    const std::string& value2;
};

// Where the rows go: the boxes with the log settings, the files, and the sink of
// the message raised when a log file may not be written.
struct LogFiles {
    const ScreenModel& screen;
    FileSystem& files;
    ErrorSink& errors;
};

// The temperature log (types of the temperature grid).
void logReading(const LogFiles& to, const LogRow& row);

// The pulse log (types of the pulse grid), with its serial-number column.
void logReadingWithSerial(const LogFiles& to, const LogRow& row, const std::string& serial);

inline constexpr const char* kLogInaccessible = "Log file inaccessible! Close file to resume logging.";

}  // namespace ravo
