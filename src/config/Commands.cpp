#include "config/Commands.h"

#include <cmath>

#include "common/NumberText.h"
#include "common/TextValue.h"
#include "frames/Crc16.h"

namespace ravo {
namespace {

std::string withCrc(std::string text) {
    const Crc16 crc = crc16(text);
    text.push_back(static_cast<char>(crc.low));
    text.push_back(static_cast<char>(crc.high));
    return text;
}

}  // namespace

std::optional<std::string> addressBytes(double v) {
    const double h = std::floor(v / 65536);
    const double r = roundHalfEven(v - h * 65536);
    if (!(h >= 0 && h <= 255) || r < 0 || r >= 65536) return std::nullopt;
    const int ri = static_cast<int>(r);
    return std::string{static_cast<char>(static_cast<int>(h)), static_cast<char>(ri / 256),
                       static_cast<char>(ri % 256)};
}

Command modeCommand(const std::string& modeText) {
    const double m = roundHalfEven(textValue(modeText));
    if (m < 0 || m > 255) return {{}, "The mode (" + modeText + ") cannot be sent: it must be from 0 to 255."};
    return {withCrc(std::string("AT=") + static_cast<char>(static_cast<int>(m))), {}};
}

Command addressCommand(const std::vector<std::string>& texts) {
    std::string text = "AP";
    for (size_t i = 0; i < texts.size(); ++i) {
        const auto bytes = addressBytes(textValue(texts[i]));
        if (!bytes)
            return {{},
                    "Address " + std::to_string(i + 1) + " (" + texts[i] +
                        ") cannot be sent: it must be from 0 to 16777215."};
        text += *bytes;
    }
    return {withCrc(text), {}};
}

void finishCommand(ProgramState& st) {
    commandCrc(st);
    st.commandText.push_back(static_cast<char>(st.crcLow));
    st.commandText.push_back(static_cast<char>(st.crcHigh));
}

namespace {

// The command goes through the program's CommandText and CRC register, as every
// command does; the pure builders above give the same bytes.
Command throughRegister(ProgramState& st, Command c) {
    if (!c.ok()) return c;
    st.commandText = c.bytes.substr(0, c.bytes.size() - 2);
    finishCommand(st);
    c.bytes = st.commandText;
    return c;
}

}  // namespace

Command setModeClicked(ScreenModel& screen, ProgramState& st) {
    screen.clearMessage();
    return throughRegister(st, modeCommand(screen.text(Field::txtmode)));
}

Command setAddressesClicked(ScreenModel& screen, ProgramState& st, int count) {
    screen.clearMessage();
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i)
        texts.push_back(screen.text(static_cast<Field>(static_cast<int>(Field::txtadd1) + i)));
    return throughRegister(st, addressCommand(texts));
}

}  // namespace ravo
