// Hydraulic sensors in the pulse grid: level transmitters (0x89, UHF only) and
// pressure/flow transmitters (0xF2, either band).
//
// Level 0x89:
//   byte  1     2  3  4       5          6        7  8        9        10 11
//        [89] [address, MSB] [status] [firmware] [W, MSB] [unused]  [CRC lo,hi]
//   status: bit 7 low battery. Byte 6 is the firmware revision, the whole byte.
//   Level L = W - 65535 when W > 32768, otherwise W (so FFFF is 0, 8000 is 32768).
//   Log and grid show L less the zero reference the operator keeps in txtzero.
//
// Pressure/flow 0xF2:
//   byte  1     2  3  4       5          6  7  8          9        10 11
//        [F2] [address, MSB] [status] [P, MSB]          [unused]  [CRC lo,hi]
//                                     [count, MSB    ]
//   The lowest address bit selects the channel: even = pressure P, 16-bit two's
//   complement in bytes 6-7; odd = flow, an unsigned 24-bit count in bytes 6-8.
//   status: bit 7 low battery, bits 0-3 firmware. The S level is never used.
//   A wrapped 12-byte frame on VHF has every position from byte 2 on one higher.
#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/PulseRowWrites.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

// The level word folds at 65535 (not 65536): FFFF reads 0 and FFFE reads -1.
double levelValue(int word) { return word > 32768 ? word - 65535 : word; }

constexpr FieldDecl kLevelFields[] = {
    {"level", "", "Level", FieldKind::Number, "", "measurement"},
    {"level_zeroed", "", "Level zeroed", FieldKind::Number, "", "measurement"},
};
// The pressure is shown in decimetres (of water column); Home Assistant's pressure
// class knows no such unit, so it gets none.
constexpr FieldDecl kPressureFields[] = {
    {"pressure_dm", "dm", "Pressure", FieldKind::Number, "", "measurement"},
};
constexpr FieldDecl kFlowFields[] = {
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
};
constexpr const FieldDecl& kLevel = declaredField(kLevelFields, "level");
constexpr const FieldDecl& kLevelZeroed = declaredField(kLevelFields, "level_zeroed");
constexpr const FieldDecl& kPressure = declaredField(kPressureFields, "pressure_dm");
constexpr const FieldDecl& kFlowCount = declaredField(kFlowFields, "count");

double pressureValue(int high, int low) {
    const int p = 256 * high + low;
    return (high & 0x80) ? p - 65536 : p;
}

// The auxiliary reading a pressure channel shows after its pressure (Value 2 and
// txtzero), as hexadecimal followed by "h". The transmitter sends nothing for it,
// so it is always 0.
std::string pressureAuxText() {
    constexpr unsigned kAuxiliary = 0;
    return hexDigits(kAuxiliary) + "h";
}

}  // namespace

void decodeLevel(const Frame& frame, DecoderOutput& out) {
    const int o = frame.headerOffset;
    const double level = levelValue(frame.byte(o + 7) * 256 + frame.byte(o + 8));

    std::string line = labelAndAddress(frame, "Level Transmitter - Address: ");
    if (lowBattery(frame.status)) line += kLowBattery;
    line += "  F/W rev : " + spacedNumber(frame.byte(o + 6));
    line += "  Level Value = " + spacedNumber(level) + timeSuffix(frame);
    out.showMessage(std::move(line), frame.address);

    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    const double zeroed = level - zeroReference(out.screen(), row);
    if (Reading* r = out.reading()) {
        // The firmware revision is the whole of byte 6.
        r->batteryLow = lowBattery(frame.status);
        r->firmware = frame.byte(o + 6);
        r->set(kLevel, wholeNumber(level));
        r->set(kLevelZeroed, zeroed);
    }
    out.logPulse(frame.status, frame.signalLevel, spacedNumber(zeroed), std::string(), std::string());
    if (row >= kGridRows) return;

    ScreenModel& s = out.screen();
    paintRow(out.screen(), row, colour::black, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtlog, row, frame.timeText());
    s.setText(Field::txtcount, row, out.number(zeroed));
}

void decodePressureFlow(const Frame& frame, DecoderOutput& out) {
    const int o = frame.headerOffset;
    const bool flow = (frame.byte(o + 4) & 1) != 0;
    const double value = flow ? (frame.byte(o + 6) * 256.0 + frame.byte(o + 7)) * 256.0 + frame.byte(o + 8)
                              : pressureValue(frame.byte(o + 6), frame.byte(o + 7));

    std::string line = labelAndAddress(frame, "Pressure/Flow - Address: ");
    line += flow ? "  Pulse Count = " + spacedNumber(value) : "  Pressure = " + spacedNumber(value) + " dm";
    if (lowBattery(frame.status)) line += kLowBattery;
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        // The two channels of one transmitter are told apart by the family.
        r->family = flow ? "flow" : "pressure";
        setBatteryAndFirmware(*r, frame.status);
        if (flow) r->set(kFlowCount, wholeNumber(value));
        else r->set(kPressure, value);
    }

    // This type logs no S level, on either band.
    out.logPulse(frame.status, std::string(), spacedNumber(value), flow ? std::string() : pressureAuxText(),
                 std::string());

    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    paintRow(out.screen(), row, colour::black, {Field::txtlog, Field::txtcount, Field::txtzero});
    s.setText(Field::txtlog, row, frame.timeText());
    if (flow) {
        s.setText(Field::txtcount, row, spacedNumber(value) + " pulses");
    } else {
        s.setText(Field::txtcount, row, spacedNumber(value) + " dm");
        s.setText(Field::txtzero, row, pressureAuxText());
    }
}

std::span<const FamilyFields> levelPressureFamilies() {
    static constexpr FamilyFields kFamilies[] = {
        {"level", kLevelFields}, {"pressure", kPressureFields}, {"flow", kFlowFields}};
    return kFamilies;
}

}  // namespace ravo
