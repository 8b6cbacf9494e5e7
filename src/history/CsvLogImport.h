// Import of the CSV reading logs this program writes (one file a day, or one per
// transmitter and day; any prefix; the date from the file name; the error files
// left out). A row is kept as the log holds it, as a reading of family
// `csv_log`: time, address, status, S level, and value_1, value_2 and serial (a
// number where the text is one, else the text; an empty cell is null), with the
// file and line it came from. It never replaces a reading: the file name and
// line are a unique key, so the same files imported again add nothing. A row
// that is not a log row is counted and named, never guessed at.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ravo {

struct ImportSummary {
    std::uint64_t files = 0;
    std::uint64_t added = 0;
    std::uint64_t present = 0;
    std::uint64_t malformed = 0;
};

// "12 rows added, 3 already present, 1 malformed (2 files)"
std::string importSummaryText(const ImportSummary& s);

// The date of a reading log's file name (...DDMMYYYY.csv); false for a name that
// is no reading log's (error files included).
bool csvLogDate(std::string_view fileName, int& year, int& month, int& day);

// Imports every reading log in `folder` into the store at `storePath` (created
// when missing). `malformed` hears "FILE:LINE: reason" for each row left out.
// False with a one-line reason when the store or the folder cannot be used.
bool importCsvLogs(const std::string& storePath, const std::string& folder, ImportSummary& summary,
                   const std::function<void(const std::string&)>& malformed, std::string& error);

}  // namespace ravo
