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
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/HumidityConversion.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

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

void decodeHumidity(const Frame& frame, DecoderOutput& out) {
    const HumidityReading r = humidityReading(frame.byte(6) * 256 + frame.byte(7), frame.byte(8) * 256 + frame.byte(9));

    std::string line = labelAndAddress(frame, "Humidity/Temperature - Address: ");
    line += "  Humidity " + spacedNumber(r.humidity);
    line += "  Temperature = " + spacedNumber(r.temperature);
    if (lowBattery(frame.status)) line += kLowBattery;
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);
    if (Reading* rd = out.reading()) {
        setBatteryAndFirmware(*rd, frame.status);
        rd->set(kHumidity, r.humidity);
        rd->set(kTemperature, r.temperature);
    }

    const std::string humidityText = twoDecimals(r.humidity);
    const std::string temperatureText = twoDecimals(r.temperature);
    out.logTemperature(frame.status, frame.signalLevel, humidityText, temperatureText);

    const int row = findTempRow(out.screen(), frame.address, colour::red);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2}) s.setFore(f, row, colour::red);
    s.setText(Field::txtemprx, row, frame.timeText());
    s.setText(Field::txttemp1, row, humidityText + " %");
    s.setText(Field::txttemp2, row, temperatureText + kDegreesC);
    s.setLamp(row, false);
}

std::span<const FamilyFields> humidityFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"humidity", kFields}};
    return kFamilies;
}

}  // namespace ravo
