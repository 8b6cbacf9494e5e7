// Electricity meter transmitters, type 0x8B, UHF only.
//
//   byte  1     2  3  4       5          6  7  8  9        10 11
//        [8B] [address, MSB] [status] [count C, MSB]     [CRC lo,hi]
//   status: bit 7 low battery, bits 0-3 firmware
//   C: unsigned 32 bits, 0 to 4294967295. The monitor shows C itself; log and
//      grid show C less the zero reference the operator keeps in txtzero.
//
// Rows are blue: a new meter's address, and its count, time and zero cells on
// every reading.
#include <cstdint>

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
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
    {"count_zeroed", "", "Count zeroed", FieldKind::Counter, "", "total_increasing"},
};
constexpr const FieldDecl& kCount = declaredField(kFields, "count");
constexpr const FieldDecl& kCountZeroed = declaredField(kFields, "count_zeroed");

}  // namespace

void decodeElectricity(const Frame& frame, DecoderOutput& out) {
    const int o = frame.headerOffset;
    std::uint32_t c = 0;
    for (int k = 6; k <= 9; ++k) c = c * 256u + static_cast<std::uint32_t>(frame.byte(o + k));
    const double count = c;

    std::string line = labelAndAddress(frame, "Electricity Meter - Address: ");
    line += "  Pulse Count = " + spacedNumber(count);
    if (lowBattery(frame.status)) line += kLowBattery;
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);

    const int row = findPulseRow(out.screen(), frame.address, colour::blue);
    const double zeroed = count - zeroReference(out.screen(), row);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, frame.status);
        r->set(kCount, std::int64_t{c});
        r->set(kCountZeroed, zeroed);
    }
    out.logPulse(frame.status, frame.signalLevel, spacedNumber(zeroed), std::string(), std::string());
    if (row >= kGridRows) return;

    ScreenModel& s = out.screen();
    paintRow(out.screen(), row, colour::blue, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtlog, row, frame.timeText());
    s.setText(Field::txtcount, row, out.number(zeroed));
}

std::span<const FamilyFields> electricityFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"electricity", kFields}};
    return kFamilies;
}

}  // namespace ravo
