#include "presentation/CsvLog.h"

#include "common/NumberText.h"

namespace ravo {
namespace {

// Waiting rows go out in appends of about this many bytes.
constexpr std::size_t kChunkBytes = 1 << 20;

template <typename ComposeRow>
void writeRow(const LogFiles& to, const LogRow& row, Field prefixBox, const char* header, ComposeRow composeRow) {
    // Each reading gives the files that hold rows back another chance first.
    if (to.backlog.waiting() > 0) to.backlog.retry(to.files);

    const ScreenModel& screen = to.screen;
    const std::string& folder = screen.text(Field::txtfilepath);
    if (!screen.loggingEnabled() || !to.files.folderExists(folder)) return;

    const TimeTexts& t = row.time;
    const std::string middle = screen.separateFiles() ? "Tx" + decimalText(row.address) + "_" : screen.text(prefixBox);
    const std::string path = folder + middle + twoDigits(t.dayText) + twoDigits(t.monthText) + t.yearText + ".csv";
    if (screen.text(prefixBox).empty()) return;

    to.backlog.write(to.files, to.errors, path, header, composeRow() + "\r\n", t.read);
}

std::string rowStart(const LogRow& row) {
    return row.time.timeText + "," + spacedNumber(row.address) + "," + hexByte(row.status) + "h," + row.sLevel + "," +
           row.value1 + "," + row.value2;
}

}  // namespace

void LogBacklog::write(FileSystem& files, ErrorSink& errors, const std::string& path, const char* header,
                       std::string row, const LocalTime& decoded) {
    auto it = files_.find(path);
    if (it == files_.end()) {
        // A new file starts with its header; header and row go out in one write, so
        // the file is opened once per reading.
        const std::string head = files.fileExists(path) ? std::string() : std::string(header) + "\r\n";
        // Any failure but a denied access loses the row without a word.
        if (files.append(path, head + row) != FileOutcome::Denied) return;
    }
    if (waiting_ >= capacity_) {
        ++dropped_;
        return;
    }
    if (it == files_.end()) it = files_.emplace(path, File{}).first;
    const bool episodeStarts = it->second.rows.empty();
    it->second.rows.push_back({std::move(row), header, decoded});
    ++waiting_;
    if (episodeStarts) errors.raiseError(kLogInaccessible);
}

bool LogBacklog::drain(FileSystem& files, const std::string& path, File& file) {
    while (!file.rows.empty()) {
        std::string bytes = files.fileExists(path) ? std::string() : std::string(file.rows.front().header) + "\r\n";
        std::size_t count = 0;
        for (const Row& r : file.rows) {
            if (count > 0 && bytes.size() + r.text.size() > kChunkBytes) break;
            bytes += r.text;
            ++count;
        }
        // Still held, or failing otherwise: the rows wait for the next try.
        if (files.append(path, bytes) != FileOutcome::Ok) return false;
        file.rows.erase(file.rows.begin(), file.rows.begin() + static_cast<std::ptrdiff_t>(count));
        waiting_ -= count;
        file.writtenLate += count;
    }
    return true;
}

void LogBacklog::retry(FileSystem& files) {
    for (auto it = files_.begin(); it != files_.end();) {
        if (!drain(files, it->first, it->second)) {
            ++it;
            continue;
        }
        const std::string path = it->first;
        const std::uint64_t written = it->second.writtenLate;
        it = files_.erase(it);
        if (writableAgain) writableAgain(path, written);
    }
}

std::vector<std::string> LogBacklog::waitingFiles() const {
    std::vector<std::string> paths;
    for (const auto& [path, file] : files_) paths.push_back(path);
    return paths;
}

std::vector<LogBacklog::Unwritten> LogBacklog::finish(FileSystem& files) {
    retry(files);
    std::vector<Unwritten> left;
    for (const auto& [path, file] : files_)
        left.push_back({path, file.rows.size(), file.rows.front().decoded, file.rows.back().decoded});
    files_.clear();
    waiting_ = 0;
    return left;
}

void logReading(const LogFiles& to, const LogRow& row) {
    writeRow(to, row, Field::txttempfilename, "Time,Tx. No.,Status,S Level,Value 1,Value 2",
             [&] { return rowStart(row); });
}

void logReadingWithSerial(const LogFiles& to, const LogRow& row, const std::string& serial) {
    writeRow(to, row, Field::txtpulsefilename, "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.",
             [&] { return rowStart(row) + "," + serial; });
}

}  // namespace ravo
