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
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/PulseRowWrites.h"
#include "decoders/ReadingFields.h"
#include "presentation/CsvLog.h"
#include "presentation/Grids.h"
#include "presentation/MessageOutput.h"

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

void decodeLevel(Receiver& rx) {
    ProgramState& st = rx.state;
    const int o = st.headerOffset;
    const double level = levelValue(st.byte(o + 7) * 256 + st.byte(o + 8));

    std::string line = labelAndAddress(rx, "Level Transmitter - Address: ");
    if (lowBattery(st.statusByte)) line += kLowBattery;
    line += "  F/W rev : " + spacedNumber(st.byte(o + 6));
    line += "  Level Value = " + spacedNumber(level) + timeSuffix(rx);
    st.messageLine = line;
    showMessageLine(rx);

    const int row = findPulseRow(rx, colour::black);
    const double zeroed = level - zeroReference(rx, row);
    st.value1 = zeroed;
    st.value2 = std::string();
    if (Reading* r = readingOf(rx)) {
        // The firmware revision is the whole of byte 6.
        r->batteryLow = lowBattery(st.statusByte);
        r->firmware = st.byte(o + 6);
        r->set(kLevel, wholeNumber(level));
        r->set(kLevelZeroed, zeroed);
    }
    logReadingWithSerial(rx, st.signalLevel, spacedNumber(zeroed), std::string(), std::string());
    if (row >= kGridRows) return;

    ScreenModel& s = rx.screen;
    paintRow(rx, row, colour::black, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtlog, row, st.time.timeText);
    s.setText(Field::txtcount, row, rx.number(zeroed));
}

void decodePressureFlow(Receiver& rx) {
    ProgramState& st = rx.state;
    const int o = st.headerOffset;
    const bool flow = (st.byte(o + 4) & 1) != 0;
    const double value = flow ? (st.byte(o + 6) * 256.0 + st.byte(o + 7)) * 256.0 + st.byte(o + 8)
                              : pressureValue(st.byte(o + 6), st.byte(o + 7));

    std::string line = labelAndAddress(rx, "Pressure/Flow - Address: ");
    line += flow ? "  Pulse Count = " + spacedNumber(value) : "  Pressure = " + spacedNumber(value) + " dm";
    if (lowBattery(st.statusByte)) line += kLowBattery;
    line += firmwareAndTime(rx, st.statusByte);
    st.messageLine = line;
    st.value1 = value;
    st.value2 = flow ? std::string() : pressureAuxText();
    showMessageLine(rx);
    if (Reading* r = readingOf(rx)) {
        // The two channels of one transmitter are told apart by the family.
        r->family = flow ? "flow" : "pressure";
        setBatteryAndFirmware(*r, st.statusByte);
        if (flow) r->set(kFlowCount, wholeNumber(value));
        else r->set(kPressure, value);
    }

    // This type logs no S level, on either band.
    logReadingWithSerial(rx, std::string(), spacedNumber(value), flow ? std::string() : pressureAuxText(),
                         std::string());

    const int row = findPulseRow(rx, colour::black);
    if (row >= kGridRows) return;
    ScreenModel& s = rx.screen;
    paintRow(rx, row, colour::black, {Field::txtlog, Field::txtcount, Field::txtzero});
    s.setText(Field::txtlog, row, st.time.timeText);
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
