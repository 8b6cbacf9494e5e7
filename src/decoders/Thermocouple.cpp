// Single-temperature transmitters of the temperature grid, UHF only:
// type 0x86 K-type thermocouple (blue rows) and type 0x8A thermistor (magenta rows).
//
// 0x86 thermocouple:
//   byte  1     2  3  4       5          6  7          8  9       10 11
//        [86] [address, MSB] [status] [W hi,lo]    [unused]   [CRC lo,hi]
//   status: bit 7 low battery, bits 0-3 firmware F
//   F 3-15: byte 6 bit 7 = sensor error ("!!", value 255), else T = W / 2
//   F 0-2:  T = W x 2.5 / 1024 x 100 (10-bit converter, 2.5 V, 10 mV per degree);
//           byte 6 bit 7 is part of W
//   Log and grid use the "00.00" form.
//
// 0x8A thermistor:
//   byte  1     2  3  4       5          6        7        8  9         10 11
//        [8A] [address, MSB] [status] [s|M hi]  [M lo]  [ADC hi,lo] [CRC lo,hi]
//   status: bit 7 low battery, bit 6 sensor fail, bits 0-3 firmware
//   byte 6 bit 7 sign (set: negative), M = 256 (byte 6 & 0x7F) + byte 7,
//   T = +/- M / 10 (sign and magnitude)
//   A failed sensor still reports T on the monitor and in the log; the grid shows "!!".
#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr double kSensorError = 255;

constexpr FieldDecl kThermocoupleFields[] = {
    {"temperature_C",
     "\xC2\xB0"
     "C",
     "Temperature", FieldKind::Number, "temperature", "measurement"},
    {"sensor_error", "", "Sensor error", FieldKind::Flag, "problem"},
};
constexpr FieldDecl kThermistorFields[] = {
    {"temperature_C",
     "\xC2\xB0"
     "C",
     "Temperature", FieldKind::Number, "temperature", "measurement"},
    {"raw", "", "Raw", FieldKind::Number, "", "measurement"},
    {"sensor_error", "", "Sensor error", FieldKind::Flag, "problem"},
};
constexpr const FieldDecl& kThermocoupleTemperature = declaredField(kThermocoupleFields, "temperature_C");
constexpr const FieldDecl& kThermocoupleError = declaredField(kThermocoupleFields, "sensor_error");
constexpr const FieldDecl& kThermistorTemperature = declaredField(kThermistorFields, "temperature_C");
constexpr const FieldDecl& kThermistorRaw = declaredField(kThermistorFields, "raw");
constexpr const FieldDecl& kThermistorError = declaredField(kThermistorFields, "sensor_error");

// Paints the row's reading cells, stamps the time and fills both value cells.
void writeTempRow(const Frame& frame, ScreenModel& s, int row, Colour c, const std::string& value1,
                  const std::string& value2) {
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2}) s.setFore(f, row, c);
    s.setText(Field::txtemprx, row, frame.timeText());
    s.setText(Field::txttemp1, row, value1);
    s.setText(Field::txttemp2, row, value2);
    s.setLamp(row, false);
}

}  // namespace

void decodeThermocouple(const Frame& frame, DecoderOutput& out) {
    const int firmware = frame.status & 0x0F;
    const int high = frame.byte(6);
    const int word = high * 256 + frame.byte(7);

    std::string line = labelAndAddress(frame, "K-Type Thermocouple - Address: ");
    line += "  Temperature = ";
    double value1;
    const bool sensorError = firmware >= 3 && (high & 0x80);
    if (sensorError) {
        line += "!!";
        value1 = kSensorError;
    } else {
        value1 = firmware >= 3 ? word / 2.0 : word * 2.5 / 1024 * 100;
        line += spacedNumber(value1);
    }
    if (lowBattery(frame.status)) line += kLowBattery;
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, frame.status);
        r->set(kThermocoupleTemperature, sensorError ? FieldValue(nullptr) : FieldValue(value1));
        r->set(kThermocoupleError, sensorError);
    }

    const std::string logged = twoDecimals(value1);
    out.logTemperature(frame.status, frame.signalLevel, logged, std::string());

    const int row = findTempRow(out.screen(), frame.address, colour::blue);
    if (row >= kGridRows) return;
    // The grid cannot tell a reading of exactly 255 from the error marker.
    writeTempRow(frame, out.screen(), row, colour::blue, value1 == kSensorError ? "!!" : logged + kDegreesC, "-");
}

void decodeThermistor(const Frame& frame, DecoderOutput& out) {
    const int high = frame.byte(6);
    const int magnitude = (high & 0x7F) * 256 + frame.byte(7);
    const double t = (high & 0x80) ? -magnitude / 10.0 : magnitude / 10.0;
    const bool sensorFail = (frame.status & 0x40) != 0;
    const int adc = frame.byte(8) * 256 + frame.byte(9);

    std::string line = labelAndAddress(frame, "Thermistor Tx. - Add: ");
    line += "  Temp: " + spacedNumber(t);
    line += "  ADC Value: " + spacedNumber(adc);
    if (lowBattery(frame.status)) line += " Low Batt";
    if (sensorFail) line += " Sensor Fail";
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);
    if (Reading* r = out.reading()) {
        setBatteryAndFirmware(*r, frame.status);
        r->set(kThermistorTemperature, t);
        r->set(kThermistorRaw, std::int64_t{adc});
        r->set(kThermistorError, sensorFail);
    }

    out.logTemperature(frame.status, frame.signalLevel, spacedNumber(t), std::string());

    const int row = findTempRow(out.screen(), frame.address, colour::magenta);
    if (row >= kGridRows) return;
    writeTempRow(frame, out.screen(), row, colour::magenta, sensorFail ? "!!" : out.number(t) + kDegreesC, "!!");
}

std::span<const FamilyFields> thermocoupleFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"thermocouple", kThermocoupleFields},
                                                 {"thermistor", kThermistorFields}};
    return kFamilies;
}

}  // namespace ravo
