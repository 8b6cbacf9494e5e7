// The CSV reading logs: one row per reading, appended to the day's file (one file
// per log, or one per transmitter), a header line on a new file, CR LF line ends.
// The log settings (folder, prefixes, enabled, one file or one per transmitter)
// are read from their boxes in the screen model.
//
// A row whose file may not be written (another program holds it, or no
// permission) is not lost: it waits, with the rows after it for that file, and is
// appended as soon as the file can be written again, before any newer row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/Clock.h"
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

// The rows waiting for log files that may not be written, file by file in the
// order they were decoded. A file's rows go out together, in one append, as soon
// as it can be written; a file that does not exist by then starts with the header
// of its first waiting row, as a new file always does.
class LogBacklog {
public:
    static constexpr std::size_t kDefaultCapacity = 100000;
    explicit LogBacklog(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // Appends `row` (CR LF included) to `path`, the header first when the file is
    // new; or, when rows wait for that file or it may not be written, queues it
    // behind them. The first row that waits for a file raises the "Log file
    // inaccessible!" message; the rows after it in that episode raise nothing. A
    // row that finds the queue full is dropped and counted.
    void write(FileSystem& files, ErrorSink& errors, const std::string& path, const char* header, std::string row,
               const LocalTime& decoded);

    // Every file with waiting rows that can be written now gets them.
    void retry(FileSystem& files);

    // How many rows wait, in all files.
    std::size_t waiting() const { return waiting_; }
    // Rows dropped because the queue was full, since the start.
    std::uint64_t dropped() const { return dropped_; }
    std::size_t capacity() const { return capacity_; }
    // The files with waiting rows.
    std::vector<std::string> waitingFiles() const;

    // Told when a file that had rows waiting has taken them all: its path and how
    // many rows went in late in that episode.
    std::function<void(const std::string& path, std::uint64_t written)> writableAgain;

    // The rows of one file that could not be written by the end.
    struct Unwritten {
        std::string path;
        std::size_t rows;
        LocalTime first, last;  // when the first and the last of them were decoded
    };
    // The end of the run: a last try for every file, then what still waits is
    // given up and returned, file by file.
    std::vector<Unwritten> finish(FileSystem& files);

private:
    struct Row {
        std::string text;    // the row with its CR LF
        const char* header;  // the log's header line, written first if the file is new
        LocalTime decoded;
    };
    struct File {
        std::deque<Row> rows;
        std::uint64_t writtenLate = 0;  // in the current episode
    };
    // Writes what waits for one file, as far as it can; true when none is left.
    bool drain(FileSystem& files, const std::string& path, File& file);

    std::size_t capacity_;
    std::size_t waiting_ = 0;
    std::uint64_t dropped_ = 0;
    std::map<std::string, File> files_;
};

// Where the rows go: the boxes with the log settings, the files, the sink of the
// message raised when a log file may not be written, and the rows that wait.
struct LogFiles {
    const ScreenModel& screen;
    FileSystem& files;
    ErrorSink& errors;
    LogBacklog& backlog;
};

// The temperature log (types of the temperature grid).
void logReading(const LogFiles& to, const LogRow& row);

// The pulse log (types of the pulse grid), with its serial-number column.
void logReadingWithSerial(const LogFiles& to, const LogRow& row, const std::string& serial);

inline constexpr const char* kLogInaccessible = "Log file inaccessible! Close file to resume logging.";

}  // namespace ravo
