#include "presentation/ErrorFile.h"

namespace ravo {

void appendErrorLine(const ScreenModel& screen, FileSystem& files, const TimeTexts& t, const std::string& line) {
    const std::string path = screen.text(Field::txtfilepath) + "errorfile" + twoDigits(t.dayText) +
                             twoDigits(t.monthText) + t.yearText + ".csv";
    if (screen.text(Field::txttempfilename).empty()) return;
    // A file that cannot be written loses this line only; decoding goes on.
    files.append(path, line + "\r\n");
}

}  // namespace ravo
