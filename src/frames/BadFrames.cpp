#include "frames/BadFrames.h"

#include "common/NumberText.h"

namespace ravo {

std::string errorLine(const ProgramState& st) {
    std::string line;
    for (int i = 1; i <= st.frameLength; ++i) line += "$" + hexDigits(static_cast<unsigned>(st.byte(i))) + ",";
    line += "$" + hexDigits(st.crcLow) + "$" + hexDigits(st.crcHigh) + ",";
    line += st.time.timeText;
    return line;
}

std::string handleBadFrame(ProgramState& st, ScreenModel& screen, ReadingFanOut& readings) {
    ++st.errorCount;
    screen.setText(Field::txt_errorcount, std::to_string(st.errorCount));
    const std::string line = errorLine(st);
    screen.showMessage(line);
    if (readings.wantsBadFrames()) {
        BadFrameEvent e{st.time.read, {}, line};
        for (int i = 1; i <= st.frameLength; ++i) {
            if (i > 1) e.bytes += ' ';
            const unsigned b = static_cast<unsigned>(st.byte(i)) & 0xFF;
            e.bytes += "0123456789ABCDEF"[b >> 4];
            e.bytes += "0123456789ABCDEF"[b & 15];
        }
        readings.badFrame(e);
    }
    return line;
}

}  // namespace ravo
