#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

TEST(VoltageCurrentDecoder, RawChannelsEverywhere) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(frame({0x85, 0x00, 0x04, 0xD2, 0x03, 0x03, 0xFF, 0x02, 0x00}));
    EXPECT_EQ(rig.message(), "V/I Transmitter - Address:  1234  Ch1 Raw =  1023  Ch2 Raw =  512  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,03h,, 1023, 512,\r\n");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 1023 /  512");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "V / I Tx.");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "");
    for (Field f : {Field::txttx, Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::blue) << ScreenModel::fieldName(f);
    EXPECT_EQ(rig.rx.screen().fore(Field::txtslevel, 0), colour::black);
}

TEST(VoltageCurrentDecoder, FullScaleAndLowBattery) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(frame({0x85, 0x00, 0x00, 0x07, 0x82, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(rig.message(),
              "V/I Transmitter - Address:  7  Ch1 Raw =  65535  Ch2 Raw =  65535 LOW BATTERY  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 7,82h,, 65535, 65535,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 65535 /  65535");
}

TEST(VoltageCurrentDecoder, OnVhfItIsABadFrame) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.feed(frame({0x85, 0x00, 0x04, 0xD2, 0x03, 0x03, 0xFF, 0x02, 0x00}));
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message().rfind("$85,", 0), 0u) << rig.message();
    EXPECT_EQ(rig.file("ravo07122026.csv"), "<missing>");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "0");
}

TEST(VoltageCurrentDecoder, RecoloursAnExistingAddress) {
    test::Rig rig(false);
    rig.rx.type({Field::txttx, 4}, "1234");
    rig.feed(frame({0x85, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x01, 0x00, 0x02}));
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 4), colour::blue);
    EXPECT_EQ(rig.cell(Field::txtcount, 4), " 1 /  2");
}

TEST(VoltageCurrentDecoder, ItsTagIsAZeroReferenceOfZeroForAPulsePacket) {
    test::Rig rig(false);
    rig.feed(frame({0x85, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x01, 0x00, 0x02}));
    rig.at(12, 0, 30);
    rig.feed(frame({0x84, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x30, 0x39, 0x00}));
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "12345");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "V / I Tx.");
    // The fixed pulse decoder paints the value cells red but not the address.
    EXPECT_EQ(rig.rx.screen().fore(Field::txtzero, 0), colour::red);
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 0), colour::blue);
}

TEST(VoltageCurrentDecoder, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
    rig.feed(frame({0x85, 0x00, 0x00, 0x07, 0x03, 0x00, 0x01, 0x00, 0x02}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 7,03h,, 1, 2,\r\n");
    for (int i = 0; i < kGridRows; ++i) {
        EXPECT_EQ(rig.cell(Field::txtcount, i), "");
        EXPECT_EQ(rig.rx.screen().fore(Field::txttx, i), colour::black);
    }
}

}  // namespace
}  // namespace ravo
