#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kPulseHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

std::string meterFrame(int address, int status, std::uint32_t count) {
    return frame({0x8B, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF, status,
                  static_cast<int>(count >> 24), static_cast<int>((count >> 16) & 0xFF),
                  static_cast<int>((count >> 8) & 0xFF), static_cast<int>(count & 0xFF)});
}

TEST(ElectricityDecoder, WorkedExample) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.rx.type({Field::txttx, 0}, "1234");
    rig.rx.type({Field::txtzero, 0}, "123000");
    rig.feed(frame({0x8B, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x01, 0xE2, 0x40}));
    EXPECT_EQ(rig.message(), "Electricity Meter - Address:  1234  Pulse Count =  123456  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,03h,, 456,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "456");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "123000");
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::blue);
    // The operator typed the address: it keeps its colour.
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 0), colour::black);
}

TEST(ElectricityDecoder, NewMeterIsBlueAndStartsFromZero) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(meterFrame(1234, 0x85, 0x7FFFFFFF));
    EXPECT_EQ(rig.message(),
              "Electricity Meter - Address:  1234  Pulse Count =  2147483647 LOW BATTERY  F/W V 5 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,85h,, 2147483647,,\r\n");
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 0), colour::blue);
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "2147483647");  // no " pulses"
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "");
}

TEST(ElectricityDecoder, CountsFromBit31AreUnsigned) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(meterFrame(1, 0x00, 0x80000000u));
    EXPECT_EQ(rig.message(), "Electricity Meter - Address:  1  Pulse Count =  2147483648  F/W V 0 - 12:00:00");
    rig.feed(meterFrame(2, 0x00, 0xFFFFFFFFu));
    EXPECT_EQ(rig.message(), "Electricity Meter - Address:  2  Pulse Count =  4294967295  F/W V 0 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "2147483648");
    EXPECT_EQ(rig.cell(Field::txtcount, 1), "4294967295");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              kPulseHeader + "12:00:00, 1,00h,, 2147483648,,\r\n" + "12:00:00, 2,00h,, 4294967295,,\r\n");
}

TEST(ElectricityDecoder, ZeroReferenceAboveTheCountGoesNegative) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.rx.type({Field::txttx, 0}, "9");
    rig.rx.type({Field::txtzero, 0}, "200000");
    rig.feed(meterFrame(9, 0x00, 123456));
    EXPECT_NE(rig.message().find("  Pulse Count =  123456 "), std::string::npos);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 9,00h,,-76544,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "-76544");
}

TEST(ElectricityDecoder, RowOfAnotherTypeKeepsItsAddressColourAndSignalLevel) {
    test::Rig rig(false);
    rig.feed(frame({0x87, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x01, 0x00}));  // contact takes row 0 in black
    rig.screen().setText(Field::txtslevel, 0, "x");
    rig.at(12, 0, 10);
    rig.feed(meterFrame(9, 0x00, 10));
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 0), colour::black);
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "x");
    // The contact's channel words "1:Open 2:Open" begin with the number 1, which
    // is then read as the zero reference.
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "9");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "1:Open 2:Open");
    EXPECT_EQ(rig.rx.screen().fore(Field::txtzero, 0), colour::blue);
}

TEST(ElectricityDecoder, FullGridLogsAgainstZero) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) {
        rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
        rig.rx.type({Field::txtzero, i}, "1000");
    }
    rig.feed(meterFrame(7, 0x00, 123456));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 7,00h,, 123456,,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtlog, i), "");
}

TEST(ElectricityDecoder, OnVhfIsABadFrame) {
    test::Rig rig(true);
    rig.feed(meterFrame(1234, 0x00, 5));
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "1");
    EXPECT_EQ(rig.message().substr(0, 4), "$8B,");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "0");
}

}  // namespace
}  // namespace ravo
