#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

// A rig whose pulse row `row` belongs to address 1234 with the given zero reference.
test::Rig& reserve(test::Rig& rig, int row, const std::string& zero) {
    rig.rx.type({Field::txttx, row}, "1234");
    rig.rx.type({Field::txtzero, row}, zero);
    return rig;
}

TEST(PulseCounters, DriveByWorkedExample) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    reserve(rig, 0, "12000");
    rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
    EXPECT_EQ(rig.message(), "DriveBy Pulse - Address:  1234  Pulse Count =  12345  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,03h,, 345,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 345 pulses");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "12000");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "");
    for (Field f : {Field::txttx, Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black);
}

TEST(PulseCounters, FixedWorkedExample) {
    test::Rig rig(false);
    rig.enableLogging();
    reserve(rig, 0, "12000");
    rig.feed(frame({0x84, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
    EXPECT_EQ(rig.message(), "Fixed Pulse - Address:  1234  Pulse Count =  12345  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,03h,, 345,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "345");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::red) << ScreenModel::fieldName(f);
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 0), colour::black);
}

TEST(PulseCounters, BandConditions) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.feed(frame({0x84, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x70}));
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message().rfind("$84,", 0), 0u) << rig.message();
    EXPECT_EQ(rig.cell(Field::txttx, 0), "0");

    // The drive-by type decodes on VHF and carries the S level (upper nibble of byte 9).
    rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x7A}));
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message(), "DriveBy Pulse - Address:  1234  Pulse Count =  12345  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,03h, 7, 12345,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), " 7");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 12345 pulses");
}

TEST(PulseCounters, DriveByInAWrappedFrameOnVhf) {
    test::Rig rig(true);
    // 12-byte payload: every position from byte 2 on is one higher.
    rig.feed(test::stxWrapped(frame({0x81, 0x55, 0x00, 0x04, 0xD2, 0x02, 0x01, 0x00, 0x00, 0x30})));
    EXPECT_EQ(rig.message(), "DriveBy Pulse - Address:  1234  Pulse Count =  65536  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), " 3");
}

TEST(PulseCounters, ZeroReferenceOfTheRow) {
    // Larger than the count: negative, with its sign everywhere.
    {
        test::Rig rig(false);
        rig.enableLogging();
        reserve(rig, 2, "20000");
        rig.feed(frame({0x84, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
        EXPECT_EQ(rig.message(), "Fixed Pulse - Address:  1234  Pulse Count =  12345  F/W V 3 - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txtcount, 2), "-7655");
        EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,03h,,-7655,,\r\n");
        rig.at(12, 1, 0);
        rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
        EXPECT_EQ(rig.cell(Field::txtcount, 2), "-7655 pulses");
    }
    // Only the number at the start counts; text that is no number is zero; fractions stay.
    for (auto [zero, expected] : {std::pair<const char*, const char*>{"100 kWh", " 12245 pulses"},
                                  {"abc", " 12345 pulses"},
                                  {"", " 12345 pulses"},
                                  {"0.5", " 12344.5 pulses"}}) {
        test::Rig rig(false);
        reserve(rig, 0, zero);
        rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
        EXPECT_EQ(rig.cell(Field::txtcount, 0), expected) << "zero " << zero;
    }
}

TEST(PulseCounters, ANewRowStartsWithoutZeroReference) {
    test::Rig rig(false);
    rig.rx.type({Field::txttx, 0}, "99");
    rig.rx.type({Field::txtzero, 1}, "500");  // emptied when the row is taken
    rig.feed(frame({0x84, 0xFF, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(rig.message(), "Fixed Pulse - Address:  16777215  Pulse Count =  16777215  F/W V 15 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttx, 1), "16777215");
    EXPECT_EQ(rig.cell(Field::txtzero, 1), "");
    EXPECT_EQ(rig.cell(Field::txtcount, 1), "16777215");
}

TEST(PulseCounters, DriveByFlagPaintsTheCount) {
    test::Rig rig(false);
    rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x13, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::red);
    EXPECT_EQ(rig.rx.screen().fore(Field::txtlog, 0), colour::black);
    // The monitor line does not show the flag.
    EXPECT_EQ(rig.message(), "DriveBy Pulse - Address:  1234  Pulse Count =  1  F/W V 3 - 12:00:00");
    rig.at(12, 0, 4);
    rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x00, 0x02, 0x00}));
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 2 pulses");
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::black);
}

TEST(PulseCounters, DriveByReturnsAFixedRowToBlack) {
    test::Rig rig(false);
    rig.feed(frame({0x84, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x00, 0x01, 0x00}));
    rig.at(12, 0, 10);
    rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x00, 0x01, 0x00}));
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black) << ScreenModel::fieldName(f);
}

TEST(PulseCounters, LowBattery) {
    test::Rig rig(false);
    rig.feed(frame({0x84, 0x00, 0x00, 0x07, 0x85, 0x00, 0x00, 0x0A, 0x00}));
    EXPECT_EQ(rig.message(), "Fixed Pulse - Address:  7  Pulse Count =  10 LOW BATTERY  F/W V 5 - 12:00:00");
    rig.at(12, 0, 10);
    rig.feed(frame({0x81, 0x00, 0x00, 0x07, 0x80, 0x00, 0x00, 0x0A, 0x00}));
    EXPECT_EQ(rig.message(), "DriveBy Pulse - Address:  7  Pulse Count =  10 LOW BATTERY  F/W V 0 - 12:00:10");
}

TEST(PulseCounters, FullGridLogsTheCountUnchanged) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) {
        rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
        rig.rx.type({Field::txtzero, i}, "1000");
    }
    rig.feed(frame({0x84, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
    rig.at(12, 0, 10);
    rig.feed(frame({0x81, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
    EXPECT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader +
                                                "12:00:00, 1234,03h,, 12345,,\r\n"
                                                "12:00:10, 1234,03h,, 12345,,\r\n");
    for (int i = 0; i < kGridRows; ++i) {
        EXPECT_EQ(rig.cell(Field::txtcount, i), "");
        EXPECT_EQ(rig.cell(Field::txtzero, i), "1000");
    }
}

}  // namespace
}  // namespace ravo
