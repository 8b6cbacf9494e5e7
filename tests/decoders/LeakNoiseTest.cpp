#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kPulseHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

TEST(LeakNoiseDecoder, WorkedExample) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(frame({0x8F, 0x00, 0x04, 0xD2, 0x80, 0x2A, 0x07, 0x00, 0x00}));
    EXPECT_EQ(rig.message(), "Nivaro Address:  1234 LOW BATTERY  Level : 42  Spread: 7  -> 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,80h,, 42, 7,\r\n");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "42");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "7");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
}

TEST(LeakNoiseDecoder, ExtremesAndIgnoredBits) {
    test::Rig rig(false);
    rig.enableLogging();
    // Firmware nibble, bits 4-6 and bytes 8-9 show nowhere.
    rig.feed(frame({0x8F, 0x00, 0x00, 0x01, 0x7F, 0x00, 0x00, 0x12, 0x34}));
    EXPECT_EQ(rig.message(), "Nivaro Address:  1  Level : 0  Spread: 0  -> 12:00:00");
    rig.feed(frame({0x8F, 0x00, 0x00, 0x02, 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(rig.message(), "Nivaro Address:  2  Level : 255  Spread: 255  -> 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "0");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "0");
    EXPECT_EQ(rig.cell(Field::txtcount, 1), "255");
    EXPECT_EQ(rig.cell(Field::txtzero, 1), "255");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              kPulseHeader + "12:00:00, 1,7Fh,, 0, 0,\r\n" + "12:00:00, 2,00h,, 255, 255,\r\n");
}

TEST(LeakNoiseDecoder, PaintsBlackAndLeavesTheSignalLevel) {
    test::Rig rig(false);
    rig.rx.type({Field::txttx, 0}, "1234");
    rig.screen().setText(Field::txtslevel, 0, "x");
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero}) rig.screen().setFore(f, 0, colour::blue);
    rig.feed(frame({0x8F, 0x00, 0x04, 0xD2, 0x00, 0x2A, 0x07, 0x00, 0x00}));
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black);
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "x");
}

TEST(LeakNoiseDecoder, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
    rig.feed(frame({0x8F, 0x00, 0x00, 0x07, 0x00, 0x2A, 0x07, 0x00, 0x00}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 7,00h,, 42, 7,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtlog, i), "");
}

TEST(LeakNoiseDecoder, OnVhfIsABadFrame) {
    test::Rig rig(true);
    rig.feed(frame({0x8F, 0x00, 0x04, 0xD2, 0x80, 0x2A, 0x07, 0x00, 0x00}));
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "1");
    EXPECT_EQ(rig.message().substr(0, 4), "$8F,");
}

}  // namespace
}  // namespace ravo
