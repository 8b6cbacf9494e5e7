#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

const std::string kPulseHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

std::string levelFrame(int address, int status, int firmware, int word) {
    return frame({0x89, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF, status, firmware, word >> 8,
                  word & 0xFF, 0x00});
}

TEST(LevelDecoder, WordFoldsAt65535) {
    test::Rig rig(/*vhf=*/false);
    struct Case {
        int word;
        const char* monitor;
        const char* grid;
    };
    const Case cases[] = {
        {0x0000, " 0", "0"},          {0x7FFF, " 32767", "32767"}, {0x8000, " 32768", "32768"},
        {0x8001, "-32766", "-32766"}, {0xFFFE, "-1", "-1"},        {0xFFFF, " 0", "0"},
    };
    int address = 1;
    for (const Case& c : cases) {
        rig.feed(levelFrame(address, 0x00, 0x02, c.word));
        EXPECT_EQ(rig.message(), "Level Transmitter - Address:  " + std::to_string(address) +
                                     "  F/W rev :  2  Level Value = " + c.monitor + " - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txtcount, address - 1), c.grid);
        ++address;
    }
}

TEST(LevelDecoder, FirmwareIsTheWholeByteSix) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(levelFrame(1234, 0x8F, 0x1F, 250));
    EXPECT_EQ(rig.message(),
              "Level Transmitter - Address:  1234 LOW BATTERY  F/W rev :  31  Level Value =  250 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,8Fh,, 250,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "250");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
}

TEST(LevelDecoder, LogAndGridAreTakenAgainstTheRowsZeroReference) {
    struct Case {
        const char* zero;
        int level;
        const char* logged;
        const char* grid;
    };
    const Case cases[] = {
        {"100", 250, " 150", "150"},  {"300", 250, "-50", "-50"},  // zero reference above the level
        {"12.5", 20, " 7.5", "7.5"},                               // fractional reference
        {"abc", 20, " 20", "20"},                                  // not a number: 0
        {" 5 m", 0xFFFE, "-6", "-6"},                              // leading blanks skipped; -1 - 5
    };
    for (const Case& c : cases) {
        test::Rig rig(false);
        rig.enableLogging();
        rig.rx.type({Field::txttx, 3}, "1234");
        rig.rx.type({Field::txtzero, 3}, c.zero);
        rig.screen().setFore(Field::txtzero, 3, colour::red);
        rig.feed(levelFrame(1234, 0x00, 0x01, c.level));
        EXPECT_NE(rig.message().find("  Level Value = " +
                                     (c.level == 0xFFFE ? std::string("-1") : " " + std::to_string(c.level))),
                  std::string::npos);
        EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 1234,00h,," + c.logged + ",,\r\n");
        EXPECT_EQ(rig.cell(Field::txtcount, 3), c.grid);
        EXPECT_EQ(rig.cell(Field::txtzero, 3), c.zero);  // kept
        EXPECT_EQ(rig.rx.screen().fore(Field::txtzero, 3), colour::black);
    }
}

TEST(LevelDecoder, FullGridLogsAgainstZero) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) {
        rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
        rig.rx.type({Field::txtzero, i}, "50");
    }
    rig.feed(levelFrame(7, 0x00, 0x01, 250));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 7,00h,, 250,,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtlog, i), "");
}

TEST(LevelDecoder, OnVhfIsABadFrame) {
    test::Rig rig(true);
    rig.feed(levelFrame(1234, 0x00, 0x01, 250));
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "1");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "0");
}

TEST(PressureFlowDecoder, WorkedExamplePressureChannel) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.feed(frame({0xF2, 0x00, 0x10, 0x20, 0x02, 0xFF, 0x38, 0x00, 0x00}));
    EXPECT_EQ(rig.message(), "Pressure/Flow - Address:  4128  Pressure = -200 dm  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 4128,02h,,-200,0h,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "-200 dm");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "0h");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
}

TEST(PressureFlowDecoder, FlowChannelIsTheOddAddress) {
    test::Rig rig(false);
    rig.enableLogging();
    rig.rx.type({Field::txttx, 0}, "4129");
    rig.rx.type({Field::txtzero, 0}, "16000000");  // no zero reference for the flow count
    rig.feed(frame({0xF2, 0x00, 0x10, 0x21, 0x82, 0xFF, 0x38, 0x07, 0x00}));
    // FF 38 07 = 65336 x 256 + 7
    EXPECT_EQ(rig.message(), "Pressure/Flow - Address:  4129  Pulse Count =  16726023 LOW BATTERY  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 4129,82h,, 16726023,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 16726023 pulses");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "16000000");
}

TEST(PressureFlowDecoder, PressureIsTwosComplement) {
    test::Rig rig(false);
    struct Case {
        int high, low;
        const char* text;
    };
    const Case cases[] = {{0x7F, 0xFF, " 32767"}, {0x80, 0x00, "-32768"}, {0xFF, 0xFF, "-1"}, {0x00, 0x7B, " 123"}};
    int address = 2;
    for (const Case& c : cases) {
        rig.feed(frame({0xF2, 0x00, 0x00, address, 0x00, c.high, c.low, 0xEE, 0x00}));
        EXPECT_EQ(rig.message(), "Pressure/Flow - Address:  " + std::to_string(address) + "  Pressure = " + c.text +
                                     " dm  F/W V 0 - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txtcount, address / 2 - 1), c.text + std::string(" dm"));
        address += 2;
    }
}

TEST(PressureFlowDecoder, OnVhfLogsNoSignalLevelAndLeavesTheCell) {
    test::Rig rig(/*vhf=*/true);
    rig.enableLogging();
    rig.rx.type({Field::txttx, 0}, "4128");
    rig.screen().setText(Field::txtslevel, 0, "x");
    for (Field f : {Field::txtlog, Field::txtcount, Field::txtzero}) rig.screen().setFore(f, 0, colour::blue);
    rig.feed(frame({0xF2, 0x00, 0x10, 0x20, 0x02, 0x00, 0x7B, 0x00, 0x5A}));
    rig.feed(frame({0xF2, 0x00, 0x10, 0x21, 0x02, 0x00, 0x00, 0x05, 0x5A}));
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              kPulseHeader + "12:00:00, 4128,02h,, 123,0h,\r\n" + "12:00:00, 4129,02h,, 5,,\r\n");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "x");
    EXPECT_EQ(rig.cell(Field::txtslevel, 1), "");
    // two channels, two rows
    EXPECT_EQ(rig.cell(Field::txttx, 1), "4129");
    EXPECT_EQ(rig.cell(Field::txtcount, 1), " 5 pulses");
    for (Field f : {Field::txtlog, Field::txtcount, Field::txtzero})
        EXPECT_EQ(rig.rx.screen().fore(f, 0), colour::black);
}

TEST(PressureFlowDecoder, WrappedFrameOnVhf) {
    test::Rig rig(true);
    rig.feed(test::stxWrapped(frame({0xF2, 0x99, 0x00, 0x10, 0x20, 0x03, 0xFF, 0x38, 0x00, 0x50})));
    EXPECT_EQ(rig.message(), "Pressure/Flow - Address:  4128  Pressure = -200 dm  F/W V 3 - 12:00:00");
}

TEST(PressureFlowDecoder, FullGridStillShowsAndLogs) {
    test::Rig rig(false);
    rig.enableLogging();
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttx, i}, std::to_string(100 + i));
    rig.feed(frame({0xF2, 0x00, 0x10, 0x20, 0x02, 0xFF, 0x38, 0x00, 0x00}));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.file("ravo07122026.csv"), kPulseHeader + "12:00:00, 4128,02h,,-200,0h,\r\n");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtlog, i), "");
}

}  // namespace
}  // namespace ravo
