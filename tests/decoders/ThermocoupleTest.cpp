#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kDeg =
    " \xB0"
    "C";
const std::string kHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n";

std::string thermocouple(int status, int high, int low) {
    return frame({0x86, 0x00, 0x04, 0xD2, status, high, low, 0x00, 0x00});
}

TEST(ThermocoupleDecoder, HalfDegreesFromFirmwareThree) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(thermocouple(0x03, 0x00, 0x64));
    EXPECT_EQ(rig.message(), "K-Type Thermocouple - Address:  1234  Temperature =  50  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,03h,,50.00,\r\n");
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txtemprx, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "50.00" + kDeg);
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "-");
    for (Field f : {Field::txttempadd, Field::txtemprx, Field::txttemp1, Field::txttemp2})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::blue) << ScreenModel::fieldName(f);
    EXPECT_FALSE(rig.rx.screen().lamp(0));
}

TEST(ThermocoupleDecoder, ConverterReadingUpToFirmwareTwo) {
    test::Rig rig(false);
    rig.enableLogging();
    // W x 250 / 1024: 82 -> 20.01953125.
    rig.feed(thermocouple(0x01, 0x00, 0x52));
    EXPECT_EQ(rig.message(), "K-Type Thermocouple - Address:  1234  Temperature =  20.01953125  F/W V 1 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "20.02" + kDeg);
    // Bit 7 of byte 6 is no error flag here: 32768 x 250 / 1024 = 8000.
    rig.at(12, 1, 0);
    rig.feed(thermocouple(0x02, 0x80, 0x00));
    EXPECT_EQ(rig.message(), "K-Type Thermocouple - Address:  1234  Temperature =  8000  F/W V 2 - 12:01:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "8000.00" + kDeg);
    // Below 10 the "00.00" form keeps two integer digits: 1 x 250 / 1024 = 0.244140625.
    rig.at(12, 2, 0);
    rig.feed(thermocouple(0x00, 0x00, 0x01));
    EXPECT_EQ(rig.message(), "K-Type Thermocouple - Address:  1234  Temperature =  .244140625  F/W V 0 - 12:02:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "00.24" + kDeg);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader +
                                                "12:00:00, 1234,01h,,20.02,\r\n"
                                                "12:01:00, 1234,02h,,8000.00,\r\n"
                                                "12:02:00, 1234,00h,,00.24,\r\n");
}

TEST(ThermocoupleDecoder, SensorErrorFromFirmwareThree) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(thermocouple(0x83, 0x80, 0x64));
    EXPECT_EQ(rig.message(), "K-Type Thermocouple - Address:  1234  Temperature = !! LOW BATTERY  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,83h,,255.00,\r\n");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "!!");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "-");
    // The largest half-degree reading, 0x7FFF / 2, with firmware 15.
    rig.at(12, 1, 0);
    rig.feed(thermocouple(0x0F, 0x7F, 0xFF));
    EXPECT_EQ(rig.message(), "K-Type Thermocouple - Address:  1234  Temperature =  16383.5  F/W V 15 - 12:01:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "16383.50" + kDeg);
}

TEST(ThermocoupleDecoder, UnlightsTheLampOfAReservedRow) {
    test::Rig rig(false);
    rig.rx.type({Field::txttempadd, 1}, "1234");
    rig.screen().setLamp(1, true);
    rig.screen().setText(Field::txttempslevel, 1, "4");
    rig.feed(thermocouple(0x03, 0x00, 0x64));
    EXPECT_FALSE(rig.rx.screen().lamp(1));
    EXPECT_EQ(rig.cell(Field::txttempslevel, 1), "4");
    EXPECT_EQ(rig.rx.screen().fore(Field::txttempadd, 1), colour::black);
}

std::string thermistor(int status, int high, int low, int adcHigh = 0x01, int adcLow = 0x23) {
    return frame({0x8A, 0x00, 0x04, 0xD2, status, high, low, adcHigh, adcLow});
}

TEST(ThermistorDecoder, SignAndMagnitudeInTenths) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(thermistor(0x02, 0x00, 0xD7));
    EXPECT_EQ(rig.message(), "Thermistor Tx. - Add:  1234  Temp:  21.5  ADC Value:  291  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "21.5" + kDeg);
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "!!");
    for (Field f : {Field::txttempadd, Field::txtemprx, Field::txttemp1, Field::txttemp2})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::magenta) << ScreenModel::fieldName(f);
    EXPECT_FALSE(rig.rx.screen().lamp(0));

    rig.at(12, 1, 0);
    rig.feed(thermistor(0x02, 0x80, 0x64, 0xFF, 0xFF));
    EXPECT_EQ(rig.message(), "Thermistor Tx. - Add:  1234  Temp: -10  ADC Value:  65535  F/W V 2 - 12:01:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "-10" + kDeg);

    rig.at(12, 2, 0);
    rig.feed(thermistor(0x02, 0x00, 0x05));
    EXPECT_EQ(rig.message(), "Thermistor Tx. - Add:  1234  Temp:  .5  ADC Value:  291  F/W V 2 - 12:02:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "0.5" + kDeg);

    // The largest magnitude, and a sign bit with magnitude 0, written as zero.
    rig.at(12, 3, 0);
    rig.feed(thermistor(0x02, 0xFF, 0xFF));
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "-3276.7" + kDeg);
    rig.at(12, 4, 0);
    rig.feed(thermistor(0x02, 0x80, 0x00));
    EXPECT_EQ(rig.message(), "Thermistor Tx. - Add:  1234  Temp:  0  ADC Value:  291  F/W V 2 - 12:04:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "0" + kDeg);

    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader +
                                                "12:00:00, 1234,02h,, 21.5,\r\n"
                                                "12:01:00, 1234,02h,,-10,\r\n"
                                                "12:02:00, 1234,02h,, .5,\r\n"
                                                "12:03:00, 1234,02h,,-3276.7,\r\n"
                                                "12:04:00, 1234,02h,, 0,\r\n");
}

TEST(ThermistorDecoder, LowBatteryAndSensorFail) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(thermistor(0xC1, 0x00, 0xD7));
    EXPECT_EQ(rig.message(),
              "Thermistor Tx. - Add:  1234  Temp:  21.5  ADC Value:  291 Low Batt Sensor Fail  F/W V 1 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader + "12:00:00, 1234,C1h,, 21.5,\r\n");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "!!");
    EXPECT_EQ(rig.cell(Field::txttemp2, 0), "!!");

    rig.at(12, 1, 0);
    rig.feed(thermistor(0x41, 0x00, 0xD7));
    EXPECT_EQ(rig.message(),
              "Thermistor Tx. - Add:  1234  Temp:  21.5  ADC Value:  291 Sensor Fail  F/W V 1 - 12:01:00");
    rig.at(12, 2, 0);
    rig.feed(thermistor(0x81, 0x00, 0xD7));
    EXPECT_EQ(rig.message(), "Thermistor Tx. - Add:  1234  Temp:  21.5  ADC Value:  291 Low Batt  F/W V 1 - 12:02:00");
    EXPECT_EQ(rig.cell(Field::txttemp1, 0), "21.5" + kDeg);
}

TEST(ThermistorDecoder, GridUsesTheRegionalSeparator) {
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    test::MemoryFileSystem fs;
    Receiver rx{clock.now(), fs, ReceiverSettings{"/logs/", ','}};
    rx.selectBand(false);
    rx.receive(thermistor(0x02, 0x00, 0xD7));
    drainReceiveBuffer(rx, clock.now());
    EXPECT_EQ(rx.screen().text(Field::txtinstring),
              "Thermistor Tx. - Add:  1234  Temp:  21.5  ADC Value:  291  F/W V 2 - 12:00:00");
    EXPECT_EQ(rx.screen().text(Field::txttemp1, 0), "21,5" + kDeg);
}

TEST(ThermocoupleAndThermistor, OnVhfTheyAreBadFrames) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.feed(thermocouple(0x03, 0x00, 0x64));
    EXPECT_EQ(rig.message().rfind("$86,", 0), 0u) << rig.message();
    rig.feed(thermistor(0x02, 0x00, 0xD7, 0x00, 0x00));
    EXPECT_EQ(rig.message().rfind("$8A,", 0), 0u) << rig.message();
    EXPECT_EQ(rig.rx.state().errorCount, 2u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), "<missing>");
    EXPECT_EQ(rig.cell(Field::txttempadd, 0), "0");
}

TEST(ThermocoupleAndThermistor, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttempadd, i}, std::to_string(100 + i));
    rig.feed(thermocouple(0x03, 0x00, 0x64));
    rig.at(12, 0, 10);
    rig.feed(thermistor(0x02, 0x00, 0xD7));
    EXPECT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kHeader +
                                                "12:00:00, 1234,03h,,50.00,\r\n"
                                                "12:00:10, 1234,02h,, 21.5,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtemprx, i), "");
}

}  // namespace
}  // namespace ravo
