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
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/PulseRowWrites.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr FieldDecl kFields[] = {
    {"noise_level", "", "Noise level", FieldKind::Number, "", "measurement"},
    {"noise_spread", "", "Noise spread", FieldKind::Number, "", "measurement"},
};
constexpr const FieldDecl& kNoiseLevel = declaredField(kFields, "noise_level");
constexpr const FieldDecl& kNoiseSpread = declaredField(kFields, "noise_spread");

}  // namespace

void decodeLeakNoise(const Frame& frame, DecoderOutput& out) {
    const int o = frame.headerOffset;
    const double level = frame.byte(o + 6);
    const double spread = frame.byte(o + 7);

    std::string line = labelAndAddress(frame, "Nivaro Address: ");
    if (lowBattery(frame.status)) line += kLowBattery;
    line += "  Level :" + spacedNumber(level);
    line += "  Spread:" + spacedNumber(spread);
    line += "  -> " + frame.timeText();
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        r->batteryLow = lowBattery(frame.status);  // no firmware version in this packet
        r->set(kNoiseLevel, wholeNumber(level));
        r->set(kNoiseSpread, wholeNumber(spread));
    }

    out.logPulse(frame.status, frame.signalLevel, spacedNumber(level), spacedNumber(spread), std::string());

    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    paintRow(out.screen(), row, colour::black, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtzero, row, out.number(spread));
    s.setText(Field::txtlog, row, frame.timeText());
    s.setText(Field::txtcount, row, out.number(level));
}

std::span<const FamilyFields> leakNoiseFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"leak_noise", kFields}};
    return kFamilies;
}

}  // namespace ravo
