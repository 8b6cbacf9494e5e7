// Pulse-counting transmitters: type 0x84 fixed pulse (UHF only) and type 0x81
// drive-by pulse (either band). Both share one layout:
//
//   byte  1        2  3  4       5          6  7  8             9          10 11
//        [84|81] [address, MSB] [status] [count, MSB first]  [-/S level] [CRC lo,hi]
//   status: bit 7 low battery, bit 4 flag painted on the count (0x81 only),
//           bits 0-3 firmware
//   count = (byte 6 x 256 + byte 7) x 256 + byte 8, unsigned 24 bits
//   VHF: bits 4-7 of byte 9 are the S level.
// A wrapped 12-byte 0x81 frame on VHF has every position from byte 2 on one higher.
//
// The monitor shows the raw count. The log and the pulse grid show the count less
// the zero reference held in the row's txtzero cell (its leading number, 0 when it
// has none). A transmitter that finds no free row is logged against a zero of 0.
#include "common/TextValue.h"
#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

enum class PulseKind { Fixed, DriveBy };

constexpr FieldDecl kFixedFields[] = {
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
    {"count_zeroed", "", "Count zeroed", FieldKind::Counter, "", "total_increasing"},
};
constexpr FieldDecl kDriveByFields[] = {
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
    {"count_zeroed", "", "Count zeroed", FieldKind::Counter, "", "total_increasing"},
    {"status_flag", "", "Status flag", FieldKind::Flag},
};
constexpr const FieldDecl& kFixedCount = declaredField(kFixedFields, "count");
constexpr const FieldDecl& kFixedZeroed = declaredField(kFixedFields, "count_zeroed");
constexpr const FieldDecl& kDriveByCount = declaredField(kDriveByFields, "count");
constexpr const FieldDecl& kDriveByZeroed = declaredField(kDriveByFields, "count_zeroed");
constexpr const FieldDecl& kDriveByStatusFlag = declaredField(kDriveByFields, "status_flag");

void decodePulse(const Frame& frame, DecoderOutput& out, PulseKind kind) {
    const int o = frame.headerOffset;
    const double count = (frame.byte(o + 6) * 256.0 + frame.byte(o + 7)) * 256.0 + frame.byte(o + 8);
    const bool driveBy = kind == PulseKind::DriveBy;

    std::string line = labelAndAddress(frame, driveBy ? "DriveBy Pulse - Address: " : "Fixed Pulse - Address: ");
    line += "  Pulse Count = " + spacedNumber(count);
    if (lowBattery(frame.status)) line += kLowBattery;
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);

    ScreenModel& s = out.screen();
    const int row = findPulseRow(out.screen(), frame.address, colour::black);
    const bool hasRow = row < kGridRows;
    const double zeroed = count - (hasRow ? textValue(s.text(Field::txtzero, row)) : 0.0);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, frame.status);
        r->set(driveBy ? kDriveByCount : kFixedCount, wholeNumber(count));
        r->set(driveBy ? kDriveByZeroed : kFixedZeroed, zeroed);
        if (driveBy) r->set(kDriveByStatusFlag, (frame.status & 0x10) != 0);
    }
    out.logPulse(frame.status, frame.signalLevel, spacedNumber(zeroed), std::string(), std::string());
    if (!hasRow) return;

    if (driveBy) {
        s.setFore(Field::txtcount, row, (frame.status & 0x10) ? colour::red : colour::black);
        s.setFore(Field::txtlog, row, colour::black);
        s.setFore(Field::txtzero, row, colour::black);
    } else {
        for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero}) s.setFore(f, row, colour::red);
    }
    s.setText(Field::txtlog, row, frame.timeText());
    if (driveBy) {
        s.setText(Field::txtcount, row, spacedNumber(zeroed) + " pulses");
        s.setText(Field::txtslevel, row, frame.signalLevel);
    } else {
        s.setText(Field::txtcount, row, out.number(zeroed));
    }
}

}  // namespace

void decodeFixedPulse(const Frame& frame, DecoderOutput& out) { decodePulse(frame, out, PulseKind::Fixed); }
void decodeDriveByPulse(const Frame& frame, DecoderOutput& out) { decodePulse(frame, out, PulseKind::DriveBy); }

std::span<const FamilyFields> pulseCounterFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"fixed_pulse", kFixedFields}, {"drive_by_pulse", kDriveByFields}};
    return kFamilies;
}

}  // namespace ravo
