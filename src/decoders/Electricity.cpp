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
    {"count", "", "Count", FieldKind::Counter, "", "total_increasing"},
    {"count_zeroed", "", "Count zeroed", FieldKind::Counter, "", "total_increasing"},
};
constexpr const FieldDecl& kCount = declaredField(kFields, "count");
constexpr const FieldDecl& kCountZeroed = declaredField(kFields, "count_zeroed");

}  // namespace

void decodeElectricity(Receiver& rx) {
    ProgramState& st = rx.state;
    const int o = st.headerOffset;
    std::uint32_t c = 0;
    for (int k = 6; k <= 9; ++k) c = c * 256u + static_cast<std::uint32_t>(st.byte(o + k));
    const double count = c;

    std::string line = labelAndAddress(rx, "Electricity Meter - Address: ");
    line += "  Pulse Count = " + spacedNumber(count);
    if (lowBattery(st.statusByte)) line += kLowBattery;
    line += firmwareAndTime(rx, st.statusByte);
    st.messageLine = line;
    showMessageLine(rx);

    const int row = findPulseRow(rx, colour::blue);
    const double zeroed = count - zeroReference(rx, row);
    st.value1 = zeroed;
    st.value2 = std::string();
    if (Reading* r = readingOf(rx)) {
        setBatteryAndFirmware(*r, st.statusByte);
        r->set(kCount, std::int64_t{c});
        r->set(kCountZeroed, zeroed);
    }
    logReadingWithSerial(rx, st.signalLevel, spacedNumber(zeroed), std::string(), std::string());
    if (row >= kGridRows) return;

    ScreenModel& s = rx.screen;
    paintRow(rx, row, colour::blue, {Field::txtcount, Field::txtlog, Field::txtzero});
    s.setText(Field::txtlog, row, st.time.timeText);
    s.setText(Field::txtcount, row, rx.number(zeroed));
}

std::span<const FamilyFields> electricityFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"electricity", kFields}};
    return kFamilies;
}

}  // namespace ravo
