// Leak-noise loggers, type 0x8F, UHF only.
//
//   byte  1     2  3  4       5         6       7        8  9       10 11
//        [8F] [address, MSB] [status] [level] [spread] [unused]  [CRC lo,hi]
//   status: bit 7 low battery; no firmware version is shown.
//
// The monitor line puts the low-battery text straight after the address and
// introduces the time with "  -> ". In the pulse grid txtcount holds the level
// and txtzero the spread.
#include "decoders/DecoderCommon.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/PulseRowWrites.h"
#include "decoders/ReadingFields.h"
#include "presentation/CsvLog.h"
#include "presentation/Grids.h"
#include "presentation/MessageOutput.h"

namespace ravo {
namespace {

constexpr FieldDecl kFields[] = {
    {"noise_level", "", "Noise level", FieldKind::Number, "", "measurement"},
    {"noise_spread", "", "Noise spread", FieldKind::Number, "", "measurement"},
};
constexpr const FieldDecl& kNoiseLevel = declaredField(kFields, "noise_level");
constexpr const FieldDecl& kNoiseSpread = declaredField(kFields, "noise_spread");

}  // namespace

void decodeLeakNoise(Receiver& rx) {
    ProgramState& st = rx.state;
    const int o = st.headerOffset;
    const double level = st.byte(o + 6);
    const double spread = st.byte(o + 7);

    std::string line = labelAndAddress(rx, "Nivaro Address: ");
    if (lowBattery(st.statusByte)) line += kLowBattery;
    line += "  Level :" + spacedNumber(level);
    line += "  Spread:" + spacedNumber(spread);
    line += "  -> " + st.time.timeText;
    st.messageLine = line;
    st.value1 = level;
    st.value2 = spread;
    showMessageLine(rx);
    if (Reading* r = readingOf(rx)) {
        r->batteryLow = lowBattery(st.statusByte);  // no firmware version in this packet
        r->set(kNoiseLevel, wholeNumber(level));
        r->set(kNoiseSpread, wholeNumber(spread));
    }

    logReadingWithSerial(rx, st.signalLevel, spacedNumber(level), spacedNumber(spread), std::string());

    const int row = findPulseRow(rx, colour::black);
    if (row >= kGridRows) return;
    ScreenModel& s = rx.screen;
    paintRow(rx, row, colour::black, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtzero, row, rx.number(spread));
    s.setText(Field::txtlog, row, st.time.timeText);
    s.setText(Field::txtcount, row, rx.number(level));
}

std::span<const FamilyFields> leakNoiseFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"leak_noise", kFields}};
    return kFamilies;
}

}  // namespace ravo
