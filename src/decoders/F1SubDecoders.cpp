// The F1 packet decoders. Every one composes MessageLine and shows it; those with
// readings log one pulse-log row (S level always empty); then the row's cells are
// written: fore colours of txtlog, txtcount and txtzero, the time, txtcount,
// txtzero. txtslevel is never written by the family.
#include "decoders/F1SubDecoders.h"

#include <array>
#include <string>

#include "decoders/DecoderCommon.h"
#include "decoders/DecoderOutput.h"
#include "decoders/FamilyFields.h"
#include "decoders/ReadingFields.h"
#include "frames/Frame.h"

namespace ravo {
namespace {

unsigned word(std::uint8_t high, std::uint8_t low) { return 256u * high + low; }

constexpr FieldDecl kAdcFields[] = {
    {"raw_1", "", "Raw 1", FieldKind::Number, "", "measurement"},
    {"voltage_1_V", "V", "Voltage 1", FieldKind::Number, "voltage", "measurement"},
    {"raw_2", "", "Raw 2", FieldKind::Number, "", "measurement"},
    {"voltage_2_V", "V", "Voltage 2", FieldKind::Number, "voltage", "measurement"},
};
constexpr FieldDecl kPt100Fields[] = {
    {"temperature_C",
     "\xC2\xB0"
     "C",
     "Temperature", FieldKind::Number, "temperature", "measurement"},
    {"auxiliary", "", "Auxiliary", FieldKind::Number, "", "measurement"},
};
constexpr FieldDecl kMeterFields[] = {
    {"meter_reading", "", "Meter reading", FieldKind::Counter, "", "total_increasing"},
};
constexpr FieldDecl kLoggerPlusFields[] = {
    {"leak", "", "Leak", FieldKind::Flag, "moisture"},
    {"noise_level", "", "Noise level", FieldKind::Number, "", "measurement"},
    {"noise_spread", "", "Noise spread", FieldKind::Number, "", "measurement"},
};

void show(const Frame& frame, DecoderOutput& out, std::string line) { out.showMessage(std::move(line), frame.address); }

// The log's Status column carries S. For a stored main packet decoded again that
// is the status the main packet came with, not the one of the ID or serial-number
// packet in hand.
void logRow(DecoderOutput& out, int status, const std::string& value1, const std::string& value2,
            const std::string& serial) {
    out.logPulse(status, std::string(), value1, value2, serial);
}

void writeRow(const Frame& frame, DecoderOutput& out, int row, std::string count, std::string zero,
              Colour countFore = colour::black) {
    ScreenModel& s = out.screen();
    s.setFore(Field::txtlog, row, colour::black);
    s.setFore(Field::txtcount, row, countFore);
    s.setFore(Field::txtzero, row, colour::black);
    s.setText(Field::txtlog, row, frame.timeText());
    s.setText(Field::txtcount, row, std::move(count));
    s.setText(Field::txtzero, row, std::move(zero));
}

std::uint32_t rowSerial(DecoderOutput& out, int row) { return out.f1Row(row).serialNumber; }

// Serial number for the log: empty while it is not known.
std::string loggedSerial(std::uint32_t serial) { return serial > 0 ? spacedNumber(serial) : std::string(); }

// "S/N:  12345", or "S/N: -" while it is not known.
std::string serialCell(std::uint32_t serial) { return serial > 0 ? "S/N: " + spacedNumber(serial) : "S/N: -"; }

// "1000 (12.2 V)"
std::string channelText(const DecoderOutput& out, unsigned raw) {
    const std::int32_t tenths = adcTenthsOfVolts(static_cast<std::uint16_t>(raw));
    return out.number(raw) + " (" + out.number(tenths / 10.0) + " V)";
}

// The reading of the packet in hand under the sub-family's key, or null.
Reading* f1Reading(DecoderOutput& out, const char* family) {
    Reading* r = out.reading();
    if (r) r->family = family;
    return r;
}

void showWithoutReadings(const Frame& frame, DecoderOutput& out, int row, std::string line) {
    show(frame, out, std::move(line) + timeSuffix(frame));
    writeRow(frame, out, row, std::string(), std::string());
}

}  // namespace

std::int32_t adcTenthsOfVolts(std::uint16_t raw) {
    // raw x 0.0122 V = raw x 122 / 10000 V = raw x 122 / 1000 tenths.
    const std::int32_t thousandths = static_cast<std::int32_t>(raw) * 122;
    std::int32_t tenths = thousandths / 1000;
    const std::int32_t rest = thousandths % 1000;
    if (rest > 500 || (rest == 500 && tenths % 2 != 0)) ++tenths;
    return tenths;
}

void decodeAdcPacket(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p) {
    const unsigned raw1 = word(p[0], p[1]);
    const unsigned raw2 = word(p[2], p[3]);

    std::string line = labelAndAddress(frame, "ADC - Address: ");
    line += "  Chan1 = " + channelText(out, raw1);
    line += "  Chan2 = " + channelText(out, raw2);
    if (lowBattery(frame.status)) line += kLowBattery;
    show(frame, out, line + firmwareAndTime(frame, status));
    if (Reading* r = f1Reading(out, "f1_adc")) {
        r->batteryLow = lowBattery(frame.status);
        r->firmware = status & 0x0F;
        r->set(declaredField(kAdcFields, "raw_1"), std::int64_t{raw1});
        r->set(declaredField(kAdcFields, "voltage_1_V"), adcTenthsOfVolts(static_cast<std::uint16_t>(raw1)) / 10.0);
        r->set(declaredField(kAdcFields, "raw_2"), std::int64_t{raw2});
        r->set(declaredField(kAdcFields, "voltage_2_V"), adcTenthsOfVolts(static_cast<std::uint16_t>(raw2)) / 10.0);
    }
    logRow(out, status, spacedNumber(raw1), spacedNumber(raw2), std::string());
    writeRow(frame, out, row, channelText(out, raw1), channelText(out, raw2));
}

void decodePt100Packet(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p) {
    const unsigned w = word(p[0], p[1]);
    const double t = (w >= 32768 ? static_cast<double>(w) - 65536 : static_cast<double>(w)) / 10;
    const std::string aux = hexDigits(word(p[2], p[3])) + "h";
    const std::string temperature = spacedNumber(t) + kDegreesC;

    show(frame, out,
         labelAndAddress(frame, "PT100 - Address: ") + "  Temp = " + temperature + firmwareAndTime(frame, status));
    if (Reading* r = f1Reading(out, "f1_pt100")) {
        r->firmware = status & 0x0F;
        r->set(declaredField(kPt100Fields, "temperature_C"), t);
        r->set(declaredField(kPt100Fields, "auxiliary"), std::int64_t{word(p[2], p[3])});
    }
    logRow(out, status, spacedNumber(t), aux, std::string());
    writeRow(frame, out, row, temperature, aux);
}

void decodeDirectReadPacket(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p) {
    const std::uint32_t reading = (static_cast<std::uint32_t>(word(p[0], p[1])) << 16) | word(p[2], p[3]);
    const std::uint32_t serial = rowSerial(out, row);

    show(frame, out,
         labelAndAddress(frame, "Direct Read - Address: ") + "  Meter Reading = " + spacedNumber(reading) +
             firmwareAndTime(frame, status));
    if (Reading* r = f1Reading(out, "f1_meter")) {
        r->firmware = status & 0x0F;
        r->set(declaredField(kMeterFields, "meter_reading"), std::int64_t{reading});
    }
    logRow(out, status, spacedNumber(reading), std::string(), loggedSerial(serial));
    writeRow(frame, out, row, "Meter: " + spacedNumber(reading), serialCell(serial));
}

void decodeLoggerPlusPacket(const Frame& frame, DecoderOutput& out, int row, int status, const F1Payload& p) {
    const int level = p[0];
    const int spread = p[1];
    const bool leak = (status & 0x20) != 0;
    const std::uint32_t serial = rowSerial(out, row);

    std::string line = labelAndAddress(frame, "Nivaro+ - Address: ");
    line += "  Leak: ";
    line += leak ? "YES" : "NO";
    line += "  Level = " + spacedNumber(level) + "  Spread = " + spacedNumber(spread);
    show(frame, out, line + firmwareAndTime(frame, status));
    if (Reading* r = f1Reading(out, "f1_leak_noise")) {
        r->firmware = status & 0x0F;
        r->set(declaredField(kLoggerPlusFields, "leak"), leak);
        r->set(declaredField(kLoggerPlusFields, "noise_level"), std::int64_t{level});
        r->set(declaredField(kLoggerPlusFields, "noise_spread"), std::int64_t{spread});
    }
    logRow(out, status, spacedNumber(level), spacedNumber(spread), loggedSerial(serial));
    writeRow(frame, out, row, "Lev: " + spacedNumber(level) + " Spr: " + spacedNumber(spread), serialCell(serial),
             leak ? colour::red : colour::black);
}

void showUnknownMainPacket(const Frame& frame, DecoderOutput& out, int row, int status) {
    if (Reading* r = f1Reading(out, "f1_unknown")) r->firmware = status & 0x0F;
    showWithoutReadings(
        frame, out, row,
        labelAndAddress(frame, "Unknown F1 Main Packet - Address: ") + "  F/W V" + spacedNumber(status & 0x0F));
}

void showIdPacket(const Frame& frame, DecoderOutput& out, int row) {
    showWithoutReadings(frame, out, row, labelAndAddress(frame, "F1 ID Packet - Address: "));
}

void showSerialPacket(const Frame& frame, DecoderOutput& out, int row) {
    showWithoutReadings(frame, out, row, labelAndAddress(frame, "F1 Serial No. Packet - Address: "));
}

std::span<const FamilyFields> f1SubDecoderFamilies() {
    static const FamilyFields kFamilies[] = {
        {"f1_adc", kAdcFields, f1DeviceFields()},     {"f1_pt100", kPt100Fields, f1DeviceFields()},
        {"f1_meter", kMeterFields, f1DeviceFields()}, {"f1_leak_noise", kLoggerPlusFields, f1DeviceFields()},
        {"f1_unknown", {}, f1DeviceFields()},
    };
    return kFamilies;
}

}  // namespace ravo
