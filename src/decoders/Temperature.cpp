// Temperature transmitters, type 0x82, either band.
//
//   byte  1     2  3  4       5          6  7        8  9          10 11
//        [82] [address, MSB] [status] [temp 1 H,L] [temp 2 H,L]  [CRC lo,hi]
//   status: bit 7 low battery, bit 4 status lamp, bits 0-3 firmware
//   VHF: one temperature; bits 4-7 of byte 9 are the S level.
//   Temperature word W = 256 H + L in half degrees:
//     H bit 7 sensor error; H bit 6: 15-bit two's complement; H bit 3: 12-bit
//     two's complement; otherwise W / 2.
// A wrapped 12-byte frame on VHF has every position from byte 2 on one higher.
//
// This decoder is the pattern of the others: compose MessageLine, show it, log one
// row, find the grid row, paint and fill its cells.
#include <optional>

#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/FamilyFields.h"
#include "decoders/HalfDegree.h"
#include "decoders/ReadingFields.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

constexpr double kErrorValue = 255;

constexpr FieldDecl kFields[] = {
    {"temperature_1_C",
     "\xC2\xB0"
     "C",
     "Temperature 1", FieldKind::Number, "temperature", "measurement"},
    // UHF only
    {"temperature_2_C",
     "\xC2\xB0"
     "C",
     "Temperature 2", FieldKind::Number, "temperature", "measurement"},
    {"sensor_error", "", "Sensor error", FieldKind::Flag, "problem"},
    {"status_flag", "", "Status flag", FieldKind::Flag},
};
constexpr const FieldDecl& kTemperature1 = declaredField(kFields, "temperature_1_C");
constexpr const FieldDecl& kTemperature2 = declaredField(kFields, "temperature_2_C");
constexpr const FieldDecl& kSensorError = declaredField(kFields, "sensor_error");
constexpr const FieldDecl& kStatusFlag = declaredField(kFields, "status_flag");

// Appends a temperature to the line; returns it, or nothing on a sensor error.
std::optional<double> appendTemperature(std::string& line, int high, int low) {
    const std::optional<double> t = halfDegreeTemperature(high, low);
    line += t ? spacedNumber(*t) : "error";
    return t;
}

std::string gridTemperature(const DecoderOutput& out, double value) {
    return value == kErrorValue ? "!!" : out.number(value) + kDegreesC;
}

}  // namespace

void decodeTemperature(const Frame& frame, DecoderOutput& out) {
    const int o = frame.headerOffset;
    const bool uhf = !frame.vhfBand;

    std::string line = labelAndAddress(frame, "Temperature - Address: ");
    line += "  Temp 1 = ";
    const std::optional<double> t1 = appendTemperature(line, frame.byte(o + 6), frame.byte(o + 7));
    const double value1 = t1.value_or(kErrorValue);
    double value2 = 0;
    std::optional<double> t2;
    if (uhf) {
        line += "  Temp 2 = ";
        t2 = appendTemperature(line, frame.byte(o + 8), frame.byte(o + 9));
        value2 = t2.value_or(kErrorValue);
        if (lowBattery(frame.status)) line += kLowBattery;
    }
    line += firmwareAndTime(frame, frame.status);
    out.showMessage(std::move(line), frame.address);

    if (Reading* r = out.reading()) {
        // Bit 7 reports a low battery on both bands, though only UHF shows it.
        setBatteryAndFirmware(*r, frame.status);
        r->set(kTemperature1, measured(t1));
        if (uhf) r->set(kTemperature2, measured(t2));
        r->set(kSensorError, !t1 || (uhf && !t2));
        r->set(kStatusFlag, (frame.status & 0x10) != 0);
    }

    out.logTemperature(frame.status, frame.signalLevel, spacedNumber(value1),
                       uhf ? spacedNumber(value2) : std::string());

    const int row = findTempRow(out.screen(), frame.address, colour::black);
    if (row < kGridRows) {
        ScreenModel& s = out.screen();
        for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2, Field::txttempslevel})
            s.setFore(f, row, colour::black);
        s.setText(Field::txtemprx, row, frame.timeText());
        s.setText(Field::txttemp1, row, gridTemperature(out, value1));
        if (uhf) s.setText(Field::txttemp2, row, gridTemperature(out, value2));
        s.setLamp(row, (frame.status & 0x10) != 0);
        if (!uhf) s.setText(Field::txttempslevel, row, out.number(frame.byte(o + 9) / 16));
    }

    out.feedProfile(value1);
}

std::span<const FamilyFields> temperatureFamilies() {
    static constexpr FamilyFields kFamilies[] = {{"temperature", kFields}};
    return kFamilies;
}

}  // namespace ravo
