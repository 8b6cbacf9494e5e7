#include <gtest/gtest.h>

#include "TestSupport.h"
#include "decoders/HalfDegree.h"

namespace ravo {
namespace {

using test::frame;

const std::string kDeg =
    " \xB0"
    "C";

TEST(HalfDegree, SignRules) {
    auto t = [](int w) { return halfDegreeTemperature(w >> 8, w & 0xFF); };
    EXPECT_EQ(*t(0x002B), 21.5);
    EXPECT_EQ(*t(0x01FE), 255);
    EXPECT_EQ(*t(0x7FFF), -0.5);
    EXPECT_EQ(*t(0x7FEC), -10);
    EXPECT_EQ(*t(0x4000), -8192);
    EXPECT_EQ(*t(0x0FFF), -0.5);
    EXPECT_EQ(*t(0x0FEC), -10);
    EXPECT_EQ(*t(0x0800), -1024);
    EXPECT_EQ(*t(0x3FFF), 6143.5);
    EXPECT_FALSE(t(0x8000).has_value());
    EXPECT_FALSE(t(0xFFFF).has_value());
}

TEST(TemperatureDecoder, WorkedExampleOnUhf) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(frame({0x82, 0x00, 0x04, 0xD2, 0x93, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_EQ(rig.message(),
              "Temperature - Address:  1234  Temp 1 =  21.5  Temp 2 =  20.5 LOW BATTERY  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n"
              "12:00:00, 1234,93h,, 21.5, 20.5\r\n");
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "21.5" + kDeg);
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "20.5" + kDeg);
    EXPECT_TRUE(rig.rx.screen().lamp(0));
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "");
}

TEST(TemperatureDecoder, WorkedExampleOnVhf) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.screen().setText(Field::txttemp2, 0, "kept");
    rig.rx.type({Field::txttempadd, 0}, "1234");
    rig.screen().setText(Field::txttemp2, 0, "kept");
    rig.feed(frame({0x82, 0x00, 0x04, 0xD2, 0x93, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_EQ(rig.message(), "Temperature - Address:  1234  Temp 1 =  21.5  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n"
              "12:00:00, 1234,93h, 2, 21.5,\r\n");
    EXPECT_EQ(rig.cell(Field::txttempslevel, 0), "2");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "kept");
}

TEST(TemperatureDecoder, SensorErrorAnd255LookAlikeInLogAndGrid) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x03, 0x80, 0x00, 0x01, 0xFE}));
    EXPECT_EQ(rig.message(), "Temperature - Address:  7  Temp 1 = error  Temp 2 =  255  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "!!");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "!!");
    EXPECT_NE(rig.file("ravo07122026.csv").find("12:00:00, 7,03h,, 255, 255\r\n"), std::string::npos);
}

TEST(TemperatureDecoder, NegativeHalfDegreesInMonitorAndGrid) {
    test::Rig rig(false);
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x03, 0x7F, 0xFF, 0x0F, 0xEC}));
    EXPECT_EQ(rig.message(), "Temperature - Address:  7  Temp 1 = -.5  Temp 2 = -10  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "-0.5" + kDeg);
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "-10" + kDeg);
}

TEST(TemperatureDecoder, LampFollowsStatusBitFour) {
    test::Rig rig(false);
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x13, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_TRUE(rig.rx.screen().lamp(0));
    rig.at(12, 0, 10);
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x03, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_FALSE(rig.rx.screen().lamp(0));
}

TEST(TemperatureDecoder, RepaintsARowBlack) {
    test::Rig rig(false);
    rig.rx.type({Field::txttempadd, 0}, "7");
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2, Field::txttempslevel})
        rig.screen().setFore(f, 0, colour::red);
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x03, 0x00, 0x2B, 0x00, 0x29}));
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2, Field::txttempslevel})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black);
}

TEST(TemperatureDecoder, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttempadd, i}, std::to_string(100 + i));
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x03, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_NE(rig.file("ravo07122026.csv").find(", 7,03h"), std::string::npos);
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtemprx, i), "");
}

TEST(TemperatureDecoder, FeedsTheProfiledTransmitter) {
    test::Rig rig(false);
    rig.rx.type({Field::txttempadd, 2}, "7");
    rig.rx.doubleClick("txttempadd[2]");
    rig.feed(frame({0x82, 0x00, 0x00, 0x07, 0x03, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_EQ(rig.rx.state().profileTemperature, 21.5);
    EXPECT_EQ(rig.rx.screen().text(Field::txt_profiletemp), "21.5");
    EXPECT_EQ(rig.rx.screen().text(Field::txt_profiletime), "12:00:00");
}

}  // namespace
}  // namespace ravo
