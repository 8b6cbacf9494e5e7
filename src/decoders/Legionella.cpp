// Legionella transmitters, either band: reading packets (0x7A) and signal packets
// (0x7B).
//
// Reading packet 0x7A:
//   byte  1     2  3  4       5         6       7         8          9        10 11
//        [7A] [address, MSB] [status] [S|M hi] [M lo] [ADC hi|F] [ADC lo]  [CRC lo,hi]
//   status: bit 7 low battery, bit 6 sensor fail, bits 0-3 firmware
//   byte 6: bit 7 sign (set = negative), bits 0-6 the high part of the magnitude M;
//           T = M / 10 degrees, sign and magnitude.
//   byte 8: bit 7 set (F) = short form, no converter reading follows; otherwise
//           the converter reading is 256 x byte 8 + byte 9.
//   VHF: bits 4-7 of byte 9 are also the S level.
//
// Signal packet 0x7B:
//   byte  1     2  3  4       5         6 ... 9     10 11
//        [7B] [address, MSB] [R]       [unused]    [CRC lo,hi]
//   R is the received signal strength; the S level is R / 16, possibly fractional.
//
// A wrapped 12-byte frame on VHF has every position from byte 2 on one higher.
// Both packets write magenta temperature-grid rows; the signal packet only
// refreshes the S level and shows and logs nothing.
#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr const char* kLabel = "Legionella Tx. - Add: ";

constexpr FieldDecl kReadingFields[] = {
    {"temperature_C",
     "\xC2\xB0"
     "C",
     "Temperature", FieldKind::Number, "temperature", "measurement"},
    {"raw", "", "Raw", FieldKind::Number, "", "measurement"},  // full form only
    {"sensor_error", "", "Sensor error", FieldKind::Flag, "problem"},
};
constexpr FieldDecl kSignalFields[] = {
    {"signal_strength", "", "Signal strength", FieldKind::Number, "", "measurement"},
};
constexpr const FieldDecl& kTemperature = declaredField(kReadingFields, "temperature_C");
constexpr const FieldDecl& kRaw = declaredField(kReadingFields, "raw");
constexpr const FieldDecl& kSensorError = declaredField(kReadingFields, "sensor_error");
constexpr const FieldDecl& kSignalStrength = declaredField(kSignalFields, "signal_strength");

bool sensorFail(int status) { return (status & 0x40) != 0; }

// Sign and magnitude in tenths of a degree. A sign bit over a zero magnitude is
// a plain zero.
double legionellaTemperature(int high, int low) {
    const int magnitude = 256 * (high & 0x7F) + low;
    const double t = magnitude / 10.0;
    return (high & 0x80) && magnitude != 0 ? -t : t;
}

}  // namespace

void decodeLegionella(const Frame& frame, DecoderOutput& out) {
    const int o = frame.headerOffset;
    const int status = frame.status;

    const double t = legionellaTemperature(frame.byte(o + 6), frame.byte(o + 7));
    std::string line = labelAndAddress(frame, kLabel);
    line += "  Temp: " + spacedNumber(t);
    const int adcHigh = frame.byte(o + 8);
    if ((adcHigh & 0x80) == 0) {
        line += "  ADC Value: " + spacedNumber(256 * adcHigh + frame.byte(o + 9));
        if (lowBattery(status)) line += " Low Batt";
        if (sensorFail(status)) line += " Sensor Fail";
        line += firmwareAndTime(frame, status);
    }
    // The short form ends with the temperature: no flags, firmware or time.
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, status);
        r->set(kTemperature, t);
        if ((adcHigh & 0x80) == 0) r->set(kRaw, std::int64_t{256 * adcHigh + frame.byte(o + 9)});
        r->set(kSensorError, sensorFail(status));
    }

    out.logTemperature(frame.status, frame.signalLevel, spacedNumber(t), std::string());

    const int row = findTempRow(out.screen(), frame.address, colour::magenta);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2}) s.setFore(f, row, colour::magenta);
    s.setText(Field::txtemprx, row, frame.timeText());
    s.setText(Field::txttemp1, row, sensorFail(status) ? std::string("!!") : out.number(t) + kDegreesC);
    s.setLamp(row, false);
}

void decodeLegionellaSignal(const Frame& frame, DecoderOutput& out) {
    // The signal strength stands where other packets carry their status byte. A
    // signal packet has no monitor line and no log row.
    const std::string signalLevel = out.number(frame.status / 16.0);
    if (Reading* r = out.reading()) {
        r->sLevel = frame.status / 16.0;
        r->set(kSignalStrength, std::int64_t{frame.status});
    }

    const int row = findTempRow(out.screen(), frame.address, colour::magenta);
    if (row >= kGridRows) return;
    ScreenModel& s = out.screen();
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2, Field::txttempslevel})
        s.setFore(f, row, colour::magenta);
    s.setText(Field::txttempslevel, row, signalLevel);
    s.setLamp(row, false);
}

std::span<const FamilyFields> legionellaFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"legionella", kReadingFields}, {"legionella_signal", kSignalFields}};
    return kFamilies;
}

}  // namespace ravo
