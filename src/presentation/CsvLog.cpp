#include "presentation/CsvLog.h"

#include "common/NumberText.h"

namespace ravo {
namespace {

template <typename ComposeRow>
void writeRow(const LogFiles& to, const LogRow& row, Field prefixBox, const char* header, ComposeRow composeRow) {
    const ScreenModel& screen = to.screen;
    const std::string& folder = screen.text(Field::txtfilepath);
    if (!screen.loggingEnabled() || !to.files.folderExists(folder)) return;

    const TimeTexts& t = row.time;
    const std::string middle = screen.separateFiles() ? "Tx" + decimalText(row.address) + "_" : screen.text(prefixBox);
    const std::string path = folder + middle + twoDigits(t.dayText) + twoDigits(t.monthText) + t.yearText + ".csv";
    if (screen.text(prefixBox).empty()) return;

    // A new file starts with its header; header and row go out in one write, so
    // the file is opened once per reading.
    const std::string head = to.files.fileExists(path) ? std::string() : std::string(header) + "\r\n";
    const FileOutcome outcome = to.files.append(path, head + composeRow() + "\r\n");
    // The row is lost; the next reading tries again.
    if (outcome == FileOutcome::Denied) to.errors.raiseError(kLogInaccessible);
}

std::string rowStart(const LogRow& row) {
    return row.time.timeText + "," + spacedNumber(row.address) + "," + hexByte(row.status) + "h," + row.sLevel + "," +
           row.value1 + "," + row.value2;
}

}  // namespace

void logReading(const LogFiles& to, const LogRow& row) {
    writeRow(to, row, Field::txttempfilename, "Time,Tx. No.,Status,S Level,Value 1,Value 2",
             [&] { return rowStart(row); });
}

void logReadingWithSerial(const LogFiles& to, const LogRow& row, const std::string& serial) {
    writeRow(to, row, Field::txtpulsefilename, "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.",
             [&] { return rowStart(row) + "," + serial; });
}

}  // namespace ravo
