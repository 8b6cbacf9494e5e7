#include "presentation/CsvLog.h"

#include "common/NumberText.h"
#include "core/Receiver.h"

namespace ravo {
namespace {

template <typename ComposeRow>
void writeRow(Receiver& rx, Field prefixBox, const char* header, ComposeRow composeRow) {
    ScreenModel& screen = rx.screen;
    const std::string& folder = screen.text(Field::txtfilepath);
    if (!screen.loggingEnabled() || !rx.files.folderExists(folder)) return;

    const ProgramState& st = rx.state;
    const TimeTexts& t = st.time;
    const std::string middle = screen.separateFiles() ? "Tx" + decimalText(st.txAddress) + "_" : screen.text(prefixBox);
    const std::string path = folder + middle + twoDigits(t.dayText) + twoDigits(t.monthText) + t.yearText + ".csv";
    if (screen.text(prefixBox).empty()) return;

    // A new file starts with its header; header and row go out in one write, so
    // the file is opened once per reading.
    const std::string head = rx.files.fileExists(path) ? std::string() : std::string(header) + "\r\n";
    const FileOutcome outcome = rx.files.append(path, head + composeRow() + "\r\n");
    // The row is lost; the next reading tries again.
    if (outcome == FileOutcome::Denied) rx.raiseError(kLogInaccessible);
}

std::string rowStart(const Receiver& rx, const std::string& slevel, const std::string& value1,
                     const std::string& value2) {
    const ProgramState& st = rx.state;
    return st.time.timeText + "," + spacedNumber(st.txAddress) + "," + hexByte(st.statusByte) + "h," + slevel + "," +
           value1 + "," + value2;
}

}  // namespace

void logReading(Receiver& rx, const std::string& slevel, const std::string& value1, const std::string& value2) {
    writeRow(rx, Field::txttempfilename, "Time,Tx. No.,Status,S Level,Value 1,Value 2",
             [&] { return rowStart(rx, slevel, value1, value2); });
}

void logReadingWithSerial(Receiver& rx, const std::string& slevel, const std::string& value1, const std::string& value2,
                          const std::string& serial) {
    writeRow(rx, Field::txtpulsefilename, "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.",
             [&] { return rowStart(rx, slevel, value1, value2) + "," + serial; });
}

}  // namespace ravo
