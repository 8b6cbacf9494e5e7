// Humidity and temperature transmitters, type 0x83, UHF only.
//
//   byte  1     2  3  4       5          6  7           8  9           10 11
//        [83] [address, MSB] [status] [SRH hi,lo]   [ST hi,lo]    [CRC lo,hi]
//   status: bit 7 low battery, bits 0-3 firmware
//   SRH: raw relative-humidity reading, ST: raw temperature reading (unsigned 16 bits)
//
//   RHL = -4 + 0.0405 SRH - 2.8e-6 SRH^2              linear humidity
//   T   = -39.7 + 0.01 ST - 2e-8 (ST - 7000)^2          degrees C
//   RH  = (T - 25) (0.01 + 0.00008 SRH) + RHL           compensated humidity, percent
// No clamping: RH may lie below 0 or above 100.
//
// The monitor shows RH and T in full; the log and the temperature grid (a red row)
// show them in the "00.00" form. No error marker, no profile feed.
#include "decoders/DecoderCommon.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/HumidityConversion.h"
#include "decoders/ReadingFields.h"
#include "presentation/CsvLog.h"
#include "presentation/Grids.h"
#include "presentation/MessageOutput.h"

namespace ravo {
namespace {

constexpr FieldDecl kFields[] = {
    {"humidity_pct", "%", "Humidity", FieldKind::Number, "humidity", "measurement"},
    {"temperature_C",
     "\xC2\xB0"
     "C",
     "Temperature", FieldKind::Number, "temperature", "measurement"},
};
constexpr const FieldDecl& kHumidity = declaredField(kFields, "humidity_pct");
constexpr const FieldDecl& kTemperature = declaredField(kFields, "temperature_C");

}  // namespace

void decodeHumidity(Receiver& rx) {
    ProgramState& st = rx.state;
    const HumidityReading r = humidityReading(st.byte(6) * 256 + st.byte(7), st.byte(8) * 256 + st.byte(9));
    st.value1 = r.humidity;
    st.value2 = r.temperature;

    std::string line = labelAndAddress(rx, "Humidity/Temperature - Address: ");
    line += "  Humidity " + spacedNumber(r.humidity);
    line += "  Temperature = " + spacedNumber(r.temperature);
    if (lowBattery(st.statusByte)) line += kLowBattery;
    line += firmwareAndTime(rx, st.statusByte);
    st.messageLine = line;
    showMessageLine(rx);
    if (Reading* rd = readingOf(rx)) {
        setBatteryAndFirmware(*rd, st.statusByte);
        rd->set(kHumidity, r.humidity);
        rd->set(kTemperature, r.temperature);
    }

    const std::string humidityText = twoDecimals(r.humidity);
    const std::string temperatureText = twoDecimals(r.temperature);
    logReading(rx, st.signalLevel, humidityText, temperatureText);

    const int row = findTempRow(rx, colour::red);
    if (row >= kGridRows) return;
    ScreenModel& s = rx.screen;
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2}) s.setFore(f, row, colour::red);
    s.setText(Field::txtemprx, row, st.time.timeText);
    s.setText(Field::txttemp1, row, humidityText + " %");
    s.setText(Field::txttemp2, row, temperatureText + kDegreesC);
    s.setLamp(row, false);
}

std::span<const FamilyFields> humidityFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"humidity", kFields}};
    return kFamilies;
}

}  // namespace ravo
