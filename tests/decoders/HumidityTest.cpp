#include <gtest/gtest.h>

#include "TestSupport.h"
#include "decoders/HumidityConversion.h"

namespace ravo {
namespace {

using test::frame;

const std::string kDeg =
    " \xB0"
    "C";
const std::string kHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n";

TEST(HumidityConversion, FormulasWithoutClamping) {
    // 1700 / 6000: RHL = -4 + 68.85 - 8.092 = 56.758; T = -39.7 + 60 - 0.02 = 20.28;
    // RH = (20.28 - 25) x 0.146 + 56.758 = 56.06888.
    HumidityReading r = humidityReading(1700, 6000);
    EXPECT_NEAR(r.humidity, 56.06888, 1e-9);
    EXPECT_NEAR(r.temperature, 20.28, 1e-9);
    // 0 / 0: T = -39.7 - 0.98; RH = -65.68 x 0.01 - 4.
    r = humidityReading(0, 0);
    EXPECT_NEAR(r.humidity, -4.6568, 1e-9);
    EXPECT_NEAR(r.temperature, -40.68, 1e-9);
    // Full scale: RHL = 114.89423, T = 124.13 - 1.76081378, RH above 100 as computed.
    r = humidityReading(4095, 16383);
    EXPECT_NEAR(r.temperature, 122.36918622, 1e-9);
    EXPECT_NEAR(r.humidity, 147.766067267872, 1e-9);
}

TEST(HumidityDecoder, WorkedExample) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(frame({0x83, 0x00, 0x04, 0xD2, 0x83, 0x06, 0xA4, 0x17, 0x70}));
    EXPECT_EQ(rig.message(),
              "Humidity/Temperature - Address:  1234  Humidity  56.06888  Temperature =  20.28"
              " LOW BATTERY  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,83h,,56.07,20.28\r\n");
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "56.07 %");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "20.28" + kDeg);
    for (Field f : {Field::txttempadd, Field::txtemprx, Field::txttemp1, Field::txttemp2})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::red) << ScreenModel::fieldName(f);
    EXPECT_FALSE(rig.rx.screen().lamp(0));
}

TEST(HumidityDecoder, NegativeValuesAndTwoDecimalRounding) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(frame({0x83, 0x00, 0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_EQ(rig.message(),
              "Humidity/Temperature - Address:  7  Humidity -4.6568  Temperature = -40.68"
              "  F/W V 1 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "-04.66 %");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "-40.68" + kDeg);

    // ST 7500: T = 30.3 + 5 - 0.005 = 35.295, RH = 10.295 x 0.01 - 4 = -3.89705; both
    // round half away from zero to two decimals.
    rig.at(12, 1, 0);
    rig.feed(frame({0x83, 0x00, 0x00, 0x07, 0x01, 0x00, 0x00, 0x1D, 0x4C}));
    EXPECT_EQ(rig.message(),
              "Humidity/Temperature - Address:  7  Humidity -3.89705  Temperature =  35.295"
              "  F/W V 1 - 12:01:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader +
                                                "12:00:00, 7,01h,,-04.66,-40.68\r\n"
                                                "12:01:00, 7,01h,,-03.90,35.30\r\n");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "-03.90 %");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "35.30" + kDeg);

    // Full-scale readings: humidity above 100 is shown as computed.
    rig.at(12, 2, 0);
    rig.feed(frame({0x83, 0x00, 0x00, 0x07, 0x01, 0x0F, 0xFF, 0x3F, 0xFF}));
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "147.77 %");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "122.37" + kDeg);
}

TEST(HumidityDecoder, OnVhfItIsABadFrame) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.feed(frame({0x83, 0x00, 0x04, 0xD2, 0x03, 0x06, 0xA4, 0x17, 0x70}));
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message().rfind("$83,$0,$4,$D2,", 0), 0u) << rig.message();
    EXPECT_EQ(rig.file("ravo07122026.csv"), "<missing>");
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "0");
}

TEST(HumidityDecoder, LeavesTheSignalLevelCellAndUnlightsTheLamp) {
    test::Rig rig(false);
    rig.rx.type({Field::txttempadd, 3}, "1234");
    rig.screen().setText(Field::txttempslevel, 3, "5");
    rig.screen().setLamp(3, true);
    rig.feed(frame({0x83, 0x00, 0x04, 0xD2, 0x03, 0x06, 0xA4, 0x17, 0x70}));
    EXPECT_EQ(rig.cell(Field::txttempslevel, 3), "5");
    EXPECT_FALSE(rig.rx.screen().lamp(3));
    // A reserved row keeps its address colour.
    EXPECT_EQ(rig.rx.screen().fore(Field::txttempadd, 3), colour::black);
    EXPECT_EQ(rig.rx.screen().fore(Field::txttemp1, 3), colour::red);
}

TEST(HumidityDecoder, TemperaturePacketRepaintsTheRedRowBlack) {
    test::Rig rig(false);
    rig.feed(frame({0x83, 0x00, 0x04, 0xD2, 0x03, 0x06, 0xA4, 0x17, 0x70}));
    rig.at(12, 0, 30);
    rig.feed(frame({0x82, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x2B, 0x00, 0x29}));
    for (Field f : {Field::txtemprx, Field::txttemp1, Field::txttemp2})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black);
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "21.5" + kDeg);
}

TEST(HumidityDecoder, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttempadd, i}, std::to_string(100 + i));
    rig.feed(frame({0x83, 0x00, 0x00, 0x07, 0x03, 0x06, 0xA4, 0x17, 0x70}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 7,03h,,56.07,20.28\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtemprx, i), "");
}

}  // namespace
}  // namespace ravo
