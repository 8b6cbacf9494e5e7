#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kPulseHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

TEST(ContactDecoder, WorkedExample) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(frame({0x87, 0x00, 0x04, 0xD2, 0xA3, 0x00, 0x00, 0x05, 0x00}));
    EXPECT_EQ(
        rig.message(),
        "Contact Tx. - Address:  1234  Pulse Count =  5  CH1 OPEN   CH2 CLOSED LOW BATTERY  F/W rev :  3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,A3h,, 5,,\r\n");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "1234");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "5");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "1:Open 2:Clo'd");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "");
}

TEST(AlarmDecoder, WorkedExampleOnUhf) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(frame({0x88, 0x00, 0x04, 0xD2, 0xA3, 0x00, 0x00, 0x05, 0x00}));
    EXPECT_EQ(rig.message(), "Alarm Tx:  1234  Ch1 Count:  5  CH1:OFF   CH2:ON  LOW BATTERY  F/W rev :  3 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,A3h,, 5,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "1:Off 2:On");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "");
}

TEST(SwitchDecoders, EveryChannelCombination) {
    struct Case {
        int status;
        const char* contactMonitor;
        const char* contactGrid;
        const char* alarmMonitor;
        const char* alarmGrid;
    };
    const Case cases[] = {
        {0x00, "  CH1 OPEN   CH2 OPEN ", "1:Open 2:Open", "  CH1:OFF   CH2:OFF ", "1:Off 2:Off"},
        {0x10, "  CH1 CLOSED  CH2 OPEN ", "1:Clo'd 2:Open", "  CH1:ON   CH2:OFF ", "1:On 2:Off"},
        {0x20, "  CH1 OPEN   CH2 CLOSED", "1:Open 2:Clo'd", "  CH1:OFF   CH2:ON ", "1:Off 2:On"},
        {0x30, "  CH1 CLOSED  CH2 CLOSED", "1:Clo'd 2:Clo'd", "  CH1:ON   CH2:ON ", "1:On 2:On"},
        // bit 6 has no effect
        {0x40, "  CH1 OPEN   CH2 OPEN ", "1:Open 2:Open", "  CH1:OFF   CH2:OFF ", "1:Off 2:Off"},
    };
    for (const Case& c : cases) {
        test::Rig rig(false);
        rig.feed(frame({0x87, 0x00, 0x00, 0x07, c.status, 0x00, 0x00, 0x00, 0x00}));
        EXPECT_EQ(rig.message(), std::string("Contact Tx. - Address:  7  Pulse Count =  0") + c.contactMonitor +
                                     "  F/W rev :  0 - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txtzero, 0), c.contactGrid);
        rig.feed(frame({0x88, 0x00, 0x00, 0x08, c.status, 0x00, 0x00, 0x00, 0x00}));
        EXPECT_EQ(rig.message(),
                  std::string("Alarm Tx:  8  Ch1 Count:  0") + c.alarmMonitor + "  F/W rev :  0 - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txtzero, 1), c.alarmGrid);
    }
}

TEST(SwitchDecoders, RawCountAndFirmwareNibble) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.rx.type({Field::txttx, 0}, "7");
    rig.rx.type({Field::txtzero, 0}, "100");  // not a zero reference for these types
    rig.feed(frame({0x87, 0x00, 0x00, 0x07, 0x0F, 0xFF, 0xFF, 0xFF, 0x00}));
    EXPECT_EQ(rig.message(),
              "Contact Tx. - Address:  7  Pulse Count =  16777215  CH1 OPEN   CH2 OPEN   F/W rev :  15 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "16777215");
    // count = (byte 6 x 256 + byte 7) x 256 + byte 8
    rig.feed(frame({0x88, 0x00, 0x00, 0x08, 0x00, 0x01, 0x02, 0x03, 0x00}));
    EXPECT_EQ(rig.cell(Field::txtcount, 1), "66051");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              kPulseHeader + "12:00:00, 7,0Fh,, 16777215,,\r\n" + "12:00:00, 8,00h,, 66051,,\r\n");
}

TEST(SwitchDecoders, RowIsPaintedBlackAndAddressStaysAsTyped) {
    test::Rig rig(false);
    rig.rx.type({Field::txttx, 0}, "7");
    rig.screen().setFore(Field::txttx, 0, colour::blue);
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero}) rig.screen().setFore(f, 0, colour::red);
    rig.feed(frame({0x87, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00}));
    for (Field f : {Field::txtcount, Field::txtlog, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black);
    EXPECT_EQ(rig.rx.screen().fore(Field::txttx, 0), colour::blue);
}

TEST(AlarmDecoder, VhfWritesTheSignalLevelCell) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.feed(frame({0x88, 0x00, 0x04, 0xD2, 0x13, 0x00, 0x00, 0x05, 0x5A}));
    EXPECT_EQ(rig.message(), "Alarm Tx:  1234  Ch1 Count:  5  CH1:ON   CH2:OFF   F/W rev :  3 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "5");  // no leading space in the grid
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,13h, 5, 5,,\r\n");
}

TEST(AlarmDecoder, WrappedFrameOnVhf) {
    test::Rig rig(true);
    rig.feed(test::stxWrapped(frame({0x88, 0x99, 0x00, 0x04, 0xD2, 0x21, 0x00, 0x30, 0x39, 0xC0})));
    EXPECT_EQ(rig.message(), "Alarm Tx:  1234  Ch1 Count:  12345  CH1:OFF   CH2:ON   F/W rev :  1 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "12");  // byte 10 of the wrapped frame
}

TEST(SwitchDecoders, SignalLevelCellKeptByContactAndByAlarmOnUhf) {
    test::Rig rig(false);
    rig.rx.type({Field::txttx, 0}, "7");
    rig.rx.type({Field::txttx, 1}, "8");
    rig.screen().setText(Field::txtslevel, 0, "x");
    rig.screen().setText(Field::txtslevel, 1, "y");
    rig.feed(frame({0x87, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01, 0xF0}));
    rig.feed(frame({0x88, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x01, 0xF0}));
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "x");
    EXPECT_EQ(rig.cell(Field::txtslevel, 1), "y");
}

TEST(ContactDecoder, OnVhfIsABadFrame) {
    test::Rig rig(true);
    rig.enableLogging();
    rig.feed(frame({0x87, 0x00, 0x04, 0xD2, 0xA3, 0x00, 0x00, 0x05, 0x00}));
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "1");
    EXPECT_EQ(rig.message().substr(0, 4), "$87,");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "0");
    EXPECT_EQ(rig.file("ravo07122026.csv"), "<missing>");
}

TEST(SwitchDecoders, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
    rig.feed(frame({0x88, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x09, 0x00}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 7,00h,, 9,,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtlog, i), "");
}

}  // namespace
}  // namespace ravo
