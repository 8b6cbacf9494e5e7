#include "frames/BadFrames.h"

#include "common/NumberText.h"
#include "core/Receiver.h"

namespace ravo {

std::string errorLine(const ProgramState& st) {
    std::string line;
    for (int i = 1; i <= st.frameLength; ++i) line += "$" + hexDigits(static_cast<unsigned>(st.byte(i))) + ",";
    line += "$" + hexDigits(st.crcLow) + "$" + hexDigits(st.crcHigh) + ",";
    line += st.time.timeText;
    return line;
}

void handleBadFrame(Receiver& rx) {
    ProgramState& st = rx.state;
    ++st.errorCount;
    rx.screen.setText(Field::txt_errorcount, std::to_string(st.errorCount));
    const std::string line = errorLine(st);
    rx.screen.showMessage(line);
    if (rx.readings.wantsBadFrames()) {
        BadFrameEvent e{st.time.read, {}, line};
        for (int i = 1; i <= st.frameLength; ++i) {
            if (i > 1) e.bytes += ' ';
            const unsigned b = static_cast<unsigned>(st.byte(i)) & 0xFF;
            e.bytes += "0123456789ABCDEF"[b >> 4];
            e.bytes += "0123456789ABCDEF"[b & 15];
        }
        rx.readings.badFrame(e);
    }

    const TimeTexts& t = st.time;
    const std::string path = rx.screen.text(Field::txtfilepath) + "errorfile" + twoDigits(t.dayText) +
                             twoDigits(t.monthText) + t.yearText + ".csv";
    if (rx.screen.text(Field::txttempfilename).empty()) return;
    // A file that cannot be written loses this line only; decoding goes on.
    rx.files.append(path, line + "\r\n");
}

}  // namespace ravo
