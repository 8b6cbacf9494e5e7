// Voltage/current transmitters, type 0x85, UHF only.
//
//   byte  1     2  3  4       5          6  7          8  9          10 11
//        [85] [address, MSB] [status] [ch 1 hi,lo] [ch 2 hi,lo] [CRC lo,hi]
//   status: bit 7 low battery, bits 0-3 firmware
//   ch 1, ch 2: raw readings, unsigned 16 bits, not scaled
//
// Both readings are spaced number text everywhere, the pulse grid included. The
// row is painted blue and its zero-reference cell is tagged "V / I Tx." (which a
// later pulse packet of the same address reads as a zero of 0).
#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr FieldDecl kFields[] = {
    {"raw_1", "", "Raw 1", FieldKind::Number, "", "measurement"},
    {"raw_2", "", "Raw 2", FieldKind::Number, "", "measurement"},
};
constexpr const FieldDecl& kRaw1 = declaredField(kFields, "raw_1");
constexpr const FieldDecl& kRaw2 = declaredField(kFields, "raw_2");

}  // namespace

void decodeVoltageCurrent(const Frame& frame, DecoderOutput& out) {
    const int channel1 = frame.byte(6) * 256 + frame.byte(7);
    const int channel2 = frame.byte(8) * 256 + frame.byte(9);
    const std::string text1 = spacedNumber(channel1);
    const std::string text2 = spacedNumber(channel2);

    std::string line = labelAndAddress(frame, "V/I Transmitter - Address: ");
    line += "  Ch1 Raw = " + text1 + "  Ch2 Raw = " + text2;
    if (lowBattery(frame.status)) line += kLowBattery;
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, frame.status);
        r->set(kRaw1, std::int64_t{channel1});
        r->set(kRaw2, std::int64_t{channel2});
    }

    out.logPulse(frame.status, frame.signalLevel, text1, text2, std::string());

    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    // The address too, so a row taken over from another kind turns blue.
    for (Field f : {Field::txttx, Field::txtcount, Field::txtlog, Field::txtzero}) s.setFore(f, row, colour::blue);
    s.setText(Field::txtlog, row, frame.timeText());
    s.setText(Field::txtcount, row, text1 + " / " + text2);
    s.setText(Field::txtzero, row, "V / I Tx.");
}

std::span<const FamilyFields> voltageCurrentFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"voltage_current", kFields}};
    return kFamilies;
}

}  // namespace ravo
