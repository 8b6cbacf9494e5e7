#include <gtest/gtest.h>

#include <cstdio>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kDeg =
    " \xB0"
    "C";
const std::string kTempHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n";

// A signal packet as the receiver reports it in an "Rtl" text line (such lines
// pass without a CRC check).
std::string signalLine(int r, int address = 1234) {
    char text[64];
    std::snprintf(text, sizeof text, "Rtl %02X%06X%02X00000000\r\n", 0x7B, address, r);
    return text;
}

TEST(LegionellaDecoder, FullFormWithBothFlags) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    // status C3: low battery, sensor fail, firmware 3; 00 D7 = 21.5; ADC 01 2C = 300.
    rig.feed(frame({0x7A, 0x00, 0x04, 0xD2, 0xC3, 0x00, 0xD7, 0x01, 0x2C}));
    EXPECT_EQ(rig.message(),
              "Legionella Tx. - Add:  1234  Temp:  21.5  ADC Value:  300 Low Batt Sensor Fail  F/W V 3 - 12:00:00");
    // The failed sensor's temperature is logged all the same; only the grid marks it.
    EXPECT_EQ(rig.file("ravo07122026.csv"), kTempHeader + "12:00:00, 1234,C3h,, 21.5,\r\n");
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "1234");
    EXPECT_EQ(rig.rx.screen().fore(Field::txttempadd, 0), colour::magenta);
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "!!");
    EXPECT_EQ(rig.file("ravo07122026.csv").find("pulse"), std::string::npos);
}

TEST(LegionellaDecoder, FlagsAreIndependent) {
    test::Rig rig(false);
    rig.feed(frame({0x7A, 0x00, 0x00, 0x07, 0x45, 0x00, 0xD7, 0x00, 0x00}));
    EXPECT_EQ(rig.message(), "Legionella Tx. - Add:  7  Temp:  21.5  ADC Value:  0 Sensor Fail  F/W V 5 - 12:00:00");
    rig.feed(frame({0x7A, 0x00, 0x00, 0x08, 0x8A, 0x00, 0xD7, 0x7F, 0xFF}));
    EXPECT_EQ(rig.message(), "Legionella Tx. - Add:  8  Temp:  21.5  ADC Value:  32767 Low Batt  F/W V 10 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 1), "21.5" + kDeg);
}

TEST(LegionellaDecoder, SignAndMagnitudeTemperature) {
    test::Rig rig(false);
    rig.enableLogging();
    struct Case {
        int high, low;
        const char* monitor;
        const char* grid;
    };
    // M = 256 (byte 6 AND 7F) + byte 7, tenths; byte 6 bit 7 is the sign.
    const Case cases[] = {
        {0x80, 0x64, "-10", "-10"},     // 100 tenths, negative
        {0x00, 0xD7, " 21.5", "21.5"},  // 215 tenths
        {0x00, 0x05, " .5", "0.5"},     // below 1
        {0x80, 0x05, "-.5", "-0.5"},
        {0x7F, 0xFF, " 3276.7", "3276.7"},  // largest magnitude
        {0xFF, 0xFF, "-3276.7", "-3276.7"},
        {0x01, 0x00, " 25.6", "25.6"},  // high part counts 256 tenths
        {0x80, 0x00, " 0", "0"},        // a sign over zero is a plain zero
    };
    int address = 1;
    std::string expectedLog = kTempHeader;
    for (const Case& c : cases) {
        rig.feed(frame({0x7A, 0x00, 0x00, address, 0x01, c.high, c.low, 0x00, 0x00}));
        EXPECT_EQ(rig.message(), "Legionella Tx. - Add:  " + std::to_string(address) + "  Temp: " + c.monitor +
                                     "  ADC Value:  0  F/W V 1 - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txttemp1, address - 1), c.grid + kDeg);
        expectedLog += "12:00:00, " + std::to_string(address) + ",01h,," + c.monitor + ",\r\n";
        ++address;
    }
    EXPECT_EQ(rig.file("ravo07122026.csv"), expectedLog);
}

TEST(LegionellaDecoder, ShortFormEndsTheLineAtTheTemperature) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(frame({0x7A, 0x00, 0x04, 0xD2, 0xC3, 0x80, 0x64, 0x80, 0x2C}));
    EXPECT_EQ(rig.message(), "Legionella Tx. - Add:  1234  Temp: -10");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kTempHeader + "12:00:00, 1234,C3h,,-10,\r\n");
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "!!");  // status bit 6 still marks the grid
}

TEST(LegionellaDecoder, VhfLogsTheHeaderSignalLevelAndLeavesOtherCells) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.rx.type({Field::txttempadd, 0}, "1234");
    rig.screen().setText(Field::txttemp2, 0, "kept");
    rig.screen().setText(Field::txttempslevel, 0, "9");
    rig.screen().setLamp(0, true);
    rig.feed(frame({0x7A, 0x00, 0x04, 0xD2, 0x03, 0x00, 0xD7, 0x01, 0x5A}));
    EXPECT_EQ(rig.message(), "Legionella Tx. - Add:  1234  Temp:  21.5  ADC Value:  346  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kTempHeader + "12:00:00, 1234,03h, 5, 21.5,\r\n");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "kept");
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "9");
    EXPECT_FALSE(rig.rx.screen().lamp(0));
    // An operator-typed address keeps its colour; the written cells turn magenta.
    EXPECT_EQ(rig.rx.screen().fore(Field::txttempadd, 0), colour::black);
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::magenta);
    EXPECT_EQ(rig.rx.screen().fore(Field::txttempslevel, 0), colour::black);
}

TEST(LegionellaDecoder, WrappedFrameOnVhfShiftsEveryField) {
    test::Rig rig(true);
    // Payload: type, one extra byte, then address 00 04 D2, status, data.
    rig.feed(test::stxWrapped(frame({0x7A, 0x99, 0x00, 0x04, 0xD2, 0x02, 0x80, 0x64, 0x00, 0x7F})));
    EXPECT_EQ(rig.message(), "Legionella Tx. - Add:  1234  Temp: -10  ADC Value:  127  F/W V 2 - 12:00:00");
}

TEST(LegionellaDecoder, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttempadd, i}, std::to_string(100 + i));
    rig.feed(frame({0x7A, 0x00, 0x00, 0x07, 0x01, 0x00, 0xD7, 0x00, 0x00}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kTempHeader + "12:00:00, 7,01h,, 21.5,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtemprx, i), "");
}

TEST(LegionellaSignal, RefreshesOnlyTheSignalLevel) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(signalLine(0xA8));
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.message(), "");
    EXPECT_TRUE(rig.fs.files.empty());
    // A new row: the address in magenta and the S level 168 / 16.
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "1234");
    EXPECT_EQ(rig.rx.screen().fore(Field::txttempadd, 0), colour::magenta);
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "10.5");
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2, Field::txttempslevel})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::magenta);
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "");
}

TEST(LegionellaSignal, KeepsReadingCellsAndIsNeverTakenForARepeat) {
    test::Rig rig(false);
    rig.rx.type({Field::txttempadd, 0}, "1234");
    rig.screen().setLamp(0, true);
    rig.feed(frame({0x7A, 0x00, 0x04, 0xD2, 0x01, 0x00, 0xD7, 0x00, 0x00}));
    ASSERT_EQ(rig.messages.size(), 1u);
    rig.screen().setLamp(0, true);
    rig.at(12, 0, 2);
    // A repeated reading two seconds later is dropped ...
    rig.feed(frame({0x7A, 0x00, 0x04, 0xD2, 0x01, 0x00, 0xD8, 0x00, 0x00}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "21.5" + kDeg);
    // ... while two signal packets in the same seconds are both taken.
    rig.feed(signalLine(0xA0));
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "10");
    rig.feed(signalLine(0x0F));
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "0.9375");
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "21.5" + kDeg);
    EXPECT_FALSE(rig.rx.screen().lamp(0));
    EXPECT_EQ(rig.messages.size(), 1u);
}

TEST(LegionellaSignal, WrappedOnVhfReadsTheShiftedStrengthByte) {
    test::Rig rig(true);
    rig.feed(test::stxWrapped(frame({0x7B, 0x99, 0x00, 0x04, 0xD2, 0x30, 0x00, 0x00, 0x00, 0xF0})));
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "3");  // 0x30 / 16, not the header's byte-9 level
}

TEST(LegionellaSignal, UsesTheRegionalSeparator) {
    test::MemoryFileSystem fs;
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    Receiver rx{clock.now(), fs, ReceiverSettings{"/logs/", ','}};
    rx.receive(signalLine(0xA8));
    drainReceiveBuffer(rx, clock.now());
    EXPECT_EQ(rx.screen().text(Field::txttempslevel, 0), "10,5");
}

TEST(LegionellaSignal, FullGridChangesNothing) {
    test::Rig rig(false);
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttempadd, i}, std::to_string(100 + i));
    rig.feed(signalLine(0xA8));
    for (int i = 0; i < kGridRows; ++i) {
        EXPECT_EQ(rig.cell(Field::txttempslevel, i), "");
        EXPECT_EQ(rig.rx.screen().fore(Field::txttempslevel, i), colour::black);
    }
    EXPECT_TRUE(rig.messages.empty());
}

}  // namespace
}  // namespace ravo
