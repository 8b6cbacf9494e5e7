// The typed reading of every family, from the families' worked frames: common
// fields, field names, order, types and values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

struct Recorder : ReadingSink {
    std::vector<Reading> readings;
    void reading(const Reading& r) override { readings.push_back(r); }
    void badFrame(const BadFrameEvent&) override { readings.push_back(Reading{}); }
};

// "family battery=.. fw=.. s=.. | name=value ..", absent flags left out; whole
// doubles keep ".0", so the text tells a double from a whole number.
std::string text(const FieldValue& v) {
    if (const double* d = std::get_if<double>(&v)) {
        char t[32];
        std::snprintf(t, sizeof t, "%.15g", *d);
        return std::string(t) + (std::string(t).find('.') == std::string::npos ? ".0" : "");
    }
    if (const std::int64_t* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
    if (const bool* b = std::get_if<bool>(&v)) return *b ? "true" : "false";
    return std::holds_alternative<std::nullptr_t>(v) ? "null" : "\"" + std::get<std::string>(v) + "\"";
}

std::string describe(const Reading& r) {
    std::string s = r.family;
    if (r.batteryLow) s += " battery=" + text(*r.batteryLow);
    if (r.firmware) s += " fw=" + std::to_string(*r.firmware);
    if (r.sLevel) s += " s=" + text(*r.sLevel);
    s += " |";
    for (const ReadingField& f : r.fields) s += " " + std::string(f.name()) + "=" + text(f.value);
    return s + (r.line ? "" : " (no line)");
}

struct Case {
    const char* name;
    bool vhf;
    std::vector<std::pair<const char*, const char*>> boxes;  // typed before the frames
    std::vector<std::string> frames;                         // the last one's reading is checked
    const char* expected;
};

std::string f1(int address, int status, int p0, int p1, int p2, int p3) {
    return frame({0xF1, 0, address >> 8, address & 0xFF, status, p0, p1, p2, p3});
}

const std::vector<Case> kCases = {
    {"temperature uhf",
     false,
     {},
     {frame({0x82, 0, 4, 0xD2, 0x93, 0, 0x2B, 0, 0x29})},
     "temperature battery=true fw=3 | temperature_1_C=21.5 temperature_2_C=20.5 sensor_error=false "
     "status_flag=true"},
    {"temperature vhf",
     true,
     {},
     {frame({0x82, 0, 4, 0xD2, 0x93, 0, 0x2B, 0, 0x29})},
     "temperature battery=true fw=3 s=2.0 | temperature_1_C=21.5 sensor_error=false status_flag=true"},
    {"temperature vhf wrapped",
     true,
     {},
     {test::stxWrapped(frame({0x82, 0, 0, 4, 0xD2, 0x03, 0x0F, 0xEC, 0, 0x70}))},
     "temperature battery=false fw=3 s=7.0 | temperature_1_C=-10.0 sensor_error=false status_flag=false"},
    {"temperature error",
     false,
     {},
     {frame({0x82, 0, 4, 0xD2, 0x03, 0x80, 0, 0x01, 0xFE})},
     "temperature battery=false fw=3 | temperature_1_C=null temperature_2_C=255.0 sensor_error=true "
     "status_flag=false"},
    {"humidity",
     false,
     {},
     {frame({0x83, 0, 4, 0xD2, 0x03, 0x06, 0xA4, 0x17, 0x70})},
     "humidity battery=false fw=3 | humidity_pct=56.06888 temperature_C=20.28"},
    {"fixed pulse",
     false,
     {{"txttx[0]", "1234"}, {"txtzero[0]", "12000"}},
     {frame({0x84, 0, 4, 0xD2, 0x83, 0, 0x30, 0x39, 0})},
     "fixed_pulse battery=true fw=3 | count=12345 count_zeroed=345.0"},
    {"drive-by pulse vhf",
     true,
     {{"txttx[0]", "1234"}, {"txtzero[0]", "12000"}},
     {frame({0x81, 0, 4, 0xD2, 0x13, 0, 0x30, 0x39, 0x70})},
     "drive_by_pulse battery=false fw=3 s=7.0 | count=12345 count_zeroed=345.0 status_flag=true"},
    {"voltage/current",
     false,
     {},
     {frame({0x85, 0, 4, 0xD2, 0x83, 0x03, 0xFF, 0x02, 0x00})},
     "voltage_current battery=true fw=3 | raw_1=1023 raw_2=512"},
    {"thermocouple",
     false,
     {},
     {frame({0x86, 0, 4, 0xD2, 0x03, 0, 0x64, 0, 0})},
     "thermocouple battery=false fw=3 | temperature_C=50.0 sensor_error=false"},
    {"thermocouple error",
     false,
     {},
     {frame({0x86, 0, 4, 0xD2, 0x83, 0x80, 0x64, 0, 0})},
     "thermocouple battery=true fw=3 | temperature_C=null sensor_error=true"},
    {"thermistor failed",
     false,
     {},
     {frame({0x8A, 0, 4, 0xD2, 0x42, 0x80, 0x64, 0x01, 0x23})},
     "thermistor battery=false fw=2 | temperature_C=-10.0 raw=291 sensor_error=true"},
    {"legionella",
     false,
     {},
     {frame({0x7A, 0, 4, 0xD2, 0x83, 0, 0xD7, 0x01, 0x2C})},
     "legionella battery=true fw=3 | temperature_C=21.5 raw=300 sensor_error=false"},
    {"legionella short form",
     true,
     {},
     {frame({0x7A, 0, 4, 0xD2, 0x43, 0x80, 0x64, 0x80, 0x50})},
     "legionella battery=false fw=3 s=5.0 | temperature_C=-10.0 sensor_error=true"},
    {"legionella signal",
     false,
     {},
     {"Rtl 7B0004D2A800000000\r\n"},
     "legionella_signal s=10.5 | signal_strength=168 (no line)"},
    {"contact",
     false,
     {},
     {frame({0x87, 0, 4, 0xD2, 0xA3, 0, 0, 5, 0})},
     "contact battery=true fw=3 | count=5 channel_1_closed=false channel_2_closed=true"},
    {"alarm vhf",
     true,
     {},
     {frame({0x88, 0, 4, 0xD2, 0x13, 0xFF, 0xFF, 0xFF, 0x50})},
     "alarm battery=false fw=3 s=5.0 | count=16777215 channel_1_on=true channel_2_on=false"},
    {"level",
     false,
     {{"txttx[0]", "1234"}, {"txtzero[0]", "12.5"}},
     {frame({0x89, 0, 4, 0xD2, 0x80, 0x1F, 0xFF, 0xFE, 0})},
     "level battery=true fw=31 | level=-1 level_zeroed=-13.5"},
    {"pressure",
     false,
     {},
     {frame({0xF2, 0, 0x10, 0x20, 0x02, 0xFF, 0x38, 0, 0})},
     "pressure battery=false fw=2 | pressure_dm=-200.0"},
    {"flow vhf",
     true,
     {},
     {frame({0xF2, 0, 0x10, 0x21, 0x82, 0xFF, 0x38, 0x07, 0x90})},
     "flow battery=true fw=2 s=9.0 | count=16726023"},
    {"electricity",
     false,
     {{"txttx[0]", "1234"}, {"txtzero[0]", "123000"}},
     {frame({0x8B, 0, 4, 0xD2, 0x03, 0xFF, 0xFF, 0xFF, 0xFF})},
     "electricity battery=false fw=3 | count=4294967295 count_zeroed=4294844295.0"},
    {"leak noise, hidden by the filter",
     false,
     {{"txtaddfilter", "99"}},
     {frame({0x8F, 0, 4, 0xD2, 0x8F, 0x2A, 0x07, 0, 0})},
     "leak_noise battery=true | noise_level=42 noise_spread=7"},
    {"f1 adc",
     true,
     {},
     {f1(77, 0x42, 0x03, 0xE8, 0xFF, 0xFF)},
     "f1_adc battery=false fw=2 | raw_1=1000 voltage_1_V=12.2 raw_2=65535 voltage_2_V=799.5"},
    {"f1 id, silent", true, {}, {f1(300, 0x40, 0, 1, 0, 0)}, "f1_id | device_type=1 (no line)"},
    {"f1 pt100 from its id",
     true,
     {},
     {f1(300, 0x03, 0xFF, 0x9C, 0x12, 0x34), f1(300, 0x40, 0, 1, 0, 0)},
     "f1_pt100 fw=3 | temperature_C=-10.0 auxiliary=4660 device_type=1"},
    {"f1 meter with serial",
     true,
     {},
     {f1(500, 0x04, 0xFF, 0xFF, 0xFF, 0xFF), f1(500, 0x40, 0, 2, 0, 0), f1(500, 0x41, 0x00, 0xBC, 0x61, 0x4E)},
     "f1_meter fw=4 | meter_reading=4294967295 device_type=2 serial_number=12345678"},
    {"f1 logger plus",
     true,
     {},
     {f1(600, 0x40, 0, 3, 0, 0), f1(600, 0x23, 0x2A, 0x07, 0, 0)},
     "f1_leak_noise fw=3 | leak=true noise_level=42 noise_spread=7 device_type=3"},
    {"f1 serial of a pt100",
     true,
     {},
     {f1(300, 0x03, 0, 0xD7, 0, 0), f1(300, 0x40, 0, 1, 0, 0), f1(300, 0x41, 0, 0, 0x30, 0x39)},
     "f1_serial | device_type=1 serial_number=12345"},
    {"f1 ignored", true, {}, {f1(300, 0x40, 0, 1, 0, 0), f1(300, 0x47, 1, 2, 3, 4)}, "f1 | device_type=1 (no line)"},
};

TEST(ReadingFields, EveryFamilyFromItsFrames) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        test::Rig rig(c.vhf);
        Recorder rec;
        rig.rx.addReadingSink(&rec);
        for (const auto& [box, value] : c.boxes) EXPECT_TRUE(typeIntoBox(rig.rx, box, value));
        for (size_t i = 0; i < c.frames.size(); ++i) {
            rig.at(12, static_cast<int>(i), 0);  // a minute apart: no repeat is dropped
            rig.feed(c.frames[i]);
        }
        EXPECT_EQ(rec.readings.size(), c.frames.size());
        if (rec.readings.empty()) continue;
        const Reading& r = rec.readings.back();
        EXPECT_EQ(describe(r), c.expected);
        EXPECT_EQ(r.address, rig.rx.state().frame.address);
        EXPECT_EQ(r.vhf, c.vhf);
        // The line is the monitor line as shown, and is there when the filter hides it.
        if (r.line && !rig.message().empty()) {
            EXPECT_EQ(*r.line, rig.message());
        }
    }
}

// An output that keeps no family fields and no bad frames (the transmitter
// registry) gets the common fields, flags and line only, until an output that
// wants the rest listens too.
TEST(ReadingFields, BuiltOnlyWhenSomeOutputWantsThem) {
    struct CommonOnly : Recorder {
        bool wantsFields() const override { return false; }
        bool wantsBadFrames() const override { return false; }
    };
    test::Rig rig(false);
    CommonOnly common;
    rig.rx.addReadingSink(&common);
    const Case& humidity = *std::find_if(std::begin(kCases), std::end(kCases),
                                         [](const Case& c) { return std::string(c.name) == "humidity"; });
    rig.feed(humidity.frames.front());
    ASSERT_EQ(common.readings.size(), 1u);
    EXPECT_TRUE(common.readings[0].fields.empty());
    EXPECT_TRUE(common.readings[0].batteryLow && common.readings[0].line);
    std::string bad = humidity.frames.front();
    bad[5] = static_cast<char>(bad[5] ^ 0x40);  // the CRC no longer holds
    rig.at(12, 2, 0);
    rig.feed(bad);
    EXPECT_EQ(common.readings.size(), 1u);

    Recorder all;
    rig.rx.addReadingSink(&all);
    rig.at(12, 5, 0);
    rig.feed(humidity.frames.front());
    ASSERT_EQ(all.readings.size(), 1u);
    EXPECT_FALSE(all.readings[0].fields.empty());
    rig.at(12, 7, 0);
    rig.feed(bad);
    EXPECT_EQ(all.readings.size(), 2u);  // the bad frame reaches the output that wants it
    EXPECT_EQ(common.readings.size(), 2u);
    rig.rx.removeReadingSink(&all);
    rig.at(12, 10, 0);
    rig.feed(humidity.frames.front());
    EXPECT_TRUE(common.readings.back().fields.empty());
}

}  // namespace
}  // namespace ravo
