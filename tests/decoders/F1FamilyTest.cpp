#include <gtest/gtest.h>

#include "TestSupport.h"
#include "decoders/F1SubDecoders.h"

namespace ravo {
namespace {

using test::frame;

const std::string kDeg =
    " \xB0"
    "C";
const std::string kHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";
const char* kLog = "ravo07122026.csv";

// An F1 frame from a 16-bit address with status and four payload bytes.
std::string f1(int address, int status, int p0, int p1, int p2, int p3) {
    return frame({0xF1, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF, status, p0, p1, p2, p3});
}

struct F1Rig : test::Rig {
    F1Rig() { enableLogging(); }
    std::string log() const { return file(kLog); }
    // Log rows after the header, or "<missing>".
    std::string rows() const {
        const std::string all = log();
        return all.rfind(kHeader, 0) == 0 ? all.substr(kHeader.size()) : all;
    }
};

// --- ADC ---------------------------------------------------------------------

TEST(F1Adc, WorkedExample) {
    F1Rig rig;
    rig.feed(f1(77, 0x42, 0x03, 0xE8, 0x08, 0x00));
    EXPECT_EQ(rig.message(), "ADC - Address:  77  Chan1 = 1000 (12.2 V)  Chan2 = 2048 (25 V)  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.log(), kHeader + "12:00:00, 77,42h,, 1000, 2048,\r\n");
    EXPECT_EQ(rig.cell(Field::txttx, 0), "77");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "1000 (12.2 V)");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "2048 (25 V)");
    EXPECT_EQ(rig.cell(Field::txtslevel, 0), "");
}

TEST(F1Adc, ExtremesAndLowBattery) {
    F1Rig rig;
    // 65535 x 0.0122 = 799.527; 0 gives 0.
    rig.feed(f1(77, 0xC5, 0xFF, 0xFF, 0x00, 0x00));
    EXPECT_EQ(rig.message(),
              "ADC - Address:  77  Chan1 = 65535 (799.5 V)  Chan2 = 0 (0 V) LOW BATTERY  F/W V 5 - 12:00:00");
    EXPECT_EQ(rig.rows(), "12:00:00, 77,C5h,, 65535, 0,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "65535 (799.5 V)");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "0 (0 V)");
}

TEST(F1Adc, VoltsRoundDecimalTiesToEven) {
    // raw x 0.0122 with its exact decimal value, in tenths:
    EXPECT_EQ(adcTenthsOfVolts(250), 30);      // 3.05    -> 3.0
    EXPECT_EQ(adcTenthsOfVolts(750), 92);      // 9.15    -> 9.2
    EXPECT_EQ(adcTenthsOfVolts(1250), 152);    // 15.25   -> 15.2
    EXPECT_EQ(adcTenthsOfVolts(1750), 214);    // 21.35   -> 21.4
    EXPECT_EQ(adcTenthsOfVolts(65250), 7960);  // 796.05  -> 796.0
    EXPECT_EQ(adcTenthsOfVolts(4), 0);         // 0.0488  -> 0.0
    EXPECT_EQ(adcTenthsOfVolts(5), 1);         // 0.061   -> 0.1
    EXPECT_EQ(adcTenthsOfVolts(1000), 122);    // 12.2
    EXPECT_EQ(adcTenthsOfVolts(65535), 7995);  // 799.527 -> 799.5

    F1Rig rig;
    rig.feed(f1(77, 0x42, 0x00, 0xFA, 0x02, 0xEE));  // 250 and 750
    EXPECT_EQ(rig.message(), "ADC - Address:  77  Chan1 = 250 (3 V)  Chan2 = 750 (9.2 V)  F/W V 2 - 12:00:00");
}

TEST(F1Adc, GridAndMonitorUseTheRegionalSeparator) {
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    test::MemoryFileSystem fs;
    Receiver rx{clock.now(), fs, ReceiverSettings{"/logs/", ','}};
    rx.receive(f1(77, 0x42, 0x03, 0xE8, 0x08, 0x00));
    drainReceiveBuffer(rx, clock.now());
    EXPECT_EQ(rx.screen().text(Field::txtinstring),
              "ADC - Address:  77  Chan1 = 1000 (12,2 V)  Chan2 = 2048 (25 V)  F/W V 2 - 12:00:00");
    EXPECT_EQ(rx.screen().text(Field::txtcount, 0), "1000 (12,2 V)");
}

TEST(F1Adc, WrappedFrameTakesTheShiftedHeader) {
    F1Rig rig;
    rig.feed(test::stxWrapped(frame({0xF1, 0x00, 0x00, 0x00, 0x4D, 0x42, 0x03, 0xE8, 0x08, 0x00})));
    EXPECT_EQ(rig.message(), "ADC - Address:  77  Chan1 = 1000 (12.2 V)  Chan2 = 2048 (25 V)  F/W V 2 - 12:00:00");
}

TEST(F1Adc, SerialNumberStatusOnAnUntypedRowIsAnAdcPacket) {
    F1Rig rig;
    rig.feed(f1(77, 0x41, 0x00, 0x00, 0x30, 0x39));  // 12345 x 0.0122 = 150.609
    EXPECT_EQ(rig.message(), "ADC - Address:  77  Chan1 = 0 (0 V)  Chan2 = 12345 (150.6 V)  F/W V 1 - 12:00:00");
    EXPECT_EQ(rig.rows(), "12:00:00, 77,41h,, 0, 12345,\r\n");
    EXPECT_EQ(rig.rx.state().f1[0].serialNumber, 0u);
}

// --- PT100 -------------------------------------------------------------------

TEST(F1Pt100, MainBeforeIdIsShownUnknownThenDecoded) {
    F1Rig rig;
    rig.feed(f1(300, 0x03, 0x00, 0xD7, 0x12, 0x34));
    EXPECT_EQ(rig.message(), "Unknown F1 Main Packet - Address:  300  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.log(), "<missing>");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "");

    rig.at(12, 0, 1);
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    EXPECT_EQ(rig.message(), "PT100 - Address:  300  Temp =  21.5" + kDeg + "  F/W V 3 - 12:00:01");
    // The row carries the stored main packet's status, not the ID packet's.
    EXPECT_EQ(rig.rows(), "12:00:01, 300,03h,, 21.5,1234h,\r\n");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:01");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 21.5" + kDeg);
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "1234h");
    EXPECT_EQ(rig.messages.size(), 2u);
}

TEST(F1Pt100, IdBeforeMainIsSilentAndTypesTheRow) {
    F1Rig rig;
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.cell(Field::txttx, 0), "300");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "");

    rig.feed(f1(300, 0x02, 0xFF, 0x9C, 0x00, 0x0A));
    EXPECT_EQ(rig.message(), "PT100 - Address:  300  Temp = -10" + kDeg + "  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.rows(), "12:00:00, 300,02h,,-10,Ah,\r\n");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "-10" + kDeg);
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "Ah");
}

TEST(F1Pt100, SignedTenthsOfADegree) {
    F1Rig rig;
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    struct Case {
        int high, low;
        const char* monitor;
    };
    for (const Case& c : {Case{0xFF, 0xFF, "-.1"}, Case{0x00, 0x05, " .5"}, Case{0x80, 0x00, "-3276.8"},
                          Case{0x7F, 0xFF, " 3276.7"}, Case{0x00, 0x00, " 0"}}) {
        rig.feed(f1(300, 0x01, c.high, c.low, 0x00, 0x00));
        EXPECT_EQ(rig.message(),
                  "PT100 - Address:  300  Temp = " + std::string(c.monitor) + kDeg + "  F/W V 1 - 12:00:00");
        EXPECT_EQ(rig.cell(Field::txtcount, 0), c.monitor + kDeg);
        EXPECT_EQ(rig.cell(Field::txtzero, 0), "0h");
    }
}

TEST(F1Pt100, TypedMainPacketIsSavedForTheNextId) {
    F1Rig rig;
    rig.feed(f1(300, 0x03, 0x00, 0xD7, 0x12, 0x34));  // stored, status 03
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    rig.feed(f1(300, 0x05, 0x00, 0x64, 0xAB, 0xCD));  // 10.0 degrees, decoded at once
    EXPECT_EQ(rig.message(), "PT100 - Address:  300  Temp =  10" + kDeg + "  F/W V 5 - 12:00:00");
    rig.at(12, 0, 30);
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    // The latest payload, with the status of the packet stored while the type was unknown.
    EXPECT_EQ(rig.message(), "PT100 - Address:  300  Temp =  10" + kDeg + "  F/W V 3 - 12:00:30");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "ABCDh");
    EXPECT_EQ(rig.rows(),
              "12:00:00, 300,03h,, 21.5,1234h,\r\n"
              "12:00:00, 300,05h,, 10,ABCDh,\r\n"
              "12:00:30, 300,03h,, 10,ABCDh,\r\n");
}

TEST(F1Pt100, SerialPacketShowsSerialLabelAndClearsValues) {
    F1Rig rig;
    rig.feed(f1(300, 0x03, 0x00, 0xD7, 0x12, 0x34));
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    ASSERT_EQ(rig.cell(Field::txtcount, 0), " 21.5" + kDeg);
    rig.at(12, 0, 5);
    rig.feed(f1(300, 0x41, 0x00, 0x00, 0x30, 0x39));
    EXPECT_EQ(rig.message(), "F1 Serial No. Packet - Address:  300 - 12:00:05");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:05");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "");
    EXPECT_EQ(rig.rows(), "12:00:00, 300,03h,, 21.5,1234h,\r\n");  // nothing more logged
}

// --- unknown and unsupported types --------------------------------------------

TEST(F1Unsupported, IdOfUnsupportedTypeShowsIdLabelAndClearsValues) {
    F1Rig rig;
    rig.feed(f1(300, 0x01, 0x00, 0xD7, 0x12, 0x34));
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    ASSERT_EQ(rig.cell(Field::txtzero, 0), "1234h");
    rig.at(12, 0, 7);
    rig.feed(f1(300, 0x40, 0x00, 0x09, 0x00, 0x00));
    EXPECT_EQ(rig.message(), "F1 ID Packet - Address:  300 - 12:00:07");
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:07");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "");

    // Main packets of the unsupported type are shown as unknown and are not stored
    // over the first one: the next ID replays with status 01.
    rig.feed(f1(300, 0x06, 0x00, 0x64, 0x00, 0x00));
    EXPECT_EQ(rig.message(), "Unknown F1 Main Packet - Address:  300  F/W V 6 - 12:00:07");
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    EXPECT_EQ(rig.message(), "PT100 - Address:  300  Temp =  10" + kDeg + "  F/W V 1 - 12:00:07");
    // No row for the unknown and ID displays.
    EXPECT_EQ(rig.rows(), "12:00:00, 300,01h,, 21.5,1234h,\r\n12:00:07, 300,01h,, 10,0h,\r\n");
}

TEST(F1Unsupported, MainPacketWithStatusZeroIsNotReplayed) {
    F1Rig rig;
    rig.feed(f1(300, 0x00, 0x00, 0xD7, 0x12, 0x34));
    EXPECT_EQ(rig.message(), "Unknown F1 Main Packet - Address:  300  F/W V 0 - 12:00:00");
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.log(), "<missing>");
    rig.feed(f1(300, 0x00, 0x00, 0xD7, 0x12, 0x34));
    EXPECT_EQ(rig.message(), "PT100 - Address:  300  Temp =  21.5" + kDeg + "  F/W V 0 - 12:00:00");
}

TEST(F1Unsupported, OtherBitSixPacketsOnATypedRowAreIgnored) {
    F1Rig rig;
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    rig.feed(f1(300, 0x02, 0x00, 0xD7, 0x12, 0x34));
    const size_t shown = rig.messages.size();
    const std::string logged = rig.log();
    for (int status : {0x42, 0x4F, 0x60, 0xC0, 0xFF}) {
        rig.at(12, 0, 10);
        rig.feed(f1(300, status, 0x03, 0xE8, 0x08, 0x00));
    }
    EXPECT_EQ(rig.messages.size(), shown);
    EXPECT_EQ(rig.log(), logged);
    EXPECT_EQ(rig.cell(Field::txtlog, 0), "12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), " 21.5" + kDeg);
}

// --- direct read ----------------------------------------------------------------

TEST(F1DirectRead, FullRangeReadingAndSerialNumber) {
    F1Rig rig;
    rig.feed(f1(500, 0x04, 0xFF, 0xFF, 0xFF, 0xFF));
    rig.feed(f1(500, 0x40, 0x00, 0x02, 0x00, 0x00));
    EXPECT_EQ(rig.message(), "Direct Read - Address:  500  Meter Reading =  4294967295  F/W V 4 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "Meter:  4294967295");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N: -");

    // The serial-number packet decodes the stored reading again, with its serial.
    rig.at(12, 0, 2);
    rig.feed(f1(500, 0x41, 0xFF, 0xFF, 0xFF, 0xFF));
    EXPECT_EQ(rig.message(), "Direct Read - Address:  500  Meter Reading =  4294967295  F/W V 4 - 12:00:02");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N:  4294967295");

    // A serial number with the top bit set, and one of 0 (not known again).
    rig.at(12, 0, 3);
    rig.feed(f1(500, 0x01, 0x00, 0x00, 0x00, 0x2A));
    rig.feed(f1(500, 0x41, 0x80, 0x00, 0x00, 0x01));
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "Meter:  42");
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N:  2147483649");
    rig.at(12, 0, 4);
    rig.feed(f1(500, 0x41, 0x00, 0x00, 0x00, 0x00));
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N: -");

    EXPECT_EQ(rig.rows(),
              "12:00:00, 500,04h,, 4294967295,,\r\n"
              "12:00:02, 500,04h,, 4294967295,, 4294967295\r\n"
              "12:00:03, 500,01h,, 42,, 4294967295\r\n"
              "12:00:03, 500,04h,, 42,, 2147483649\r\n"
              "12:00:04, 500,04h,, 42,,\r\n");
}

// --- logger plus ----------------------------------------------------------------

TEST(F1LoggerPlus, LeakPaintsTheCountRed) {
    F1Rig rig;
    rig.feed(f1(600, 0x40, 0x00, 0x03, 0x00, 0x00));
    rig.feed(f1(600, 0x21, 0x2A, 0x07, 0x99, 0x99));
    EXPECT_EQ(rig.message(), "Nivaro+ - Address:  600  Leak: YES  Level =  42  Spread =  7  F/W V 1 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "Lev:  42 Spr:  7");
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::red);
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N: -");

    rig.feed(f1(600, 0x02, 0x00, 0xFF, 0x00, 0x00));
    EXPECT_EQ(rig.message(), "Nivaro+ - Address:  600  Leak: NO  Level =  0  Spread =  255  F/W V 2 - 12:00:00");
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "Lev:  0 Spr:  255");
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::black);

    // Nothing stored (the ID came first): the serial number is learned silently.
    rig.feed(f1(600, 0x41, 0x00, 0x00, 0x30, 0x39));
    EXPECT_EQ(rig.messages.size(), 2u);
    rig.feed(f1(600, 0x01, 0x05, 0x06, 0x00, 0x00));
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N:  12345");
    EXPECT_EQ(rig.rows(),
              "12:00:00, 600,21h,, 42, 7,\r\n"
              "12:00:00, 600,02h,, 0, 255,\r\n"
              "12:00:00, 600,01h,, 5, 6, 12345\r\n");
}

TEST(F1LoggerPlus, ReplayTakesTheLeakFlagOfTheStoredStatus) {
    F1Rig rig;
    rig.feed(f1(600, 0x23, 0x10, 0x20, 0x00, 0x00));  // stored while unknown, leak set
    rig.feed(f1(600, 0x40, 0x00, 0x03, 0x00, 0x00));
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::red);
    rig.feed(f1(600, 0x03, 0x11, 0x21, 0x00, 0x00));  // no leak
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::black);
    rig.feed(f1(600, 0x41, 0x00, 0x00, 0x00, 0x07));
    EXPECT_EQ(rig.message(), "Nivaro+ - Address:  600  Leak: YES  Level =  17  Spread =  33  F/W V 3 - 12:00:00");
    EXPECT_EQ(rig.rx.screen().fore(Field::txtcount, 0), colour::red);
    EXPECT_EQ(rig.cell(Field::txtzero, 0), "S/N:  7");
}

// --- rows, grid and band ----------------------------------------------------------

TEST(F1Rows, FullGridShowsAndLogsNothing) {
    F1Rig rig;
    for (int i = 0; i < kGridRows; ++i) rig.rx.type({Field::txttx, i}, std::to_string(1000 + i));
    rig.feed(f1(77, 0x42, 0x03, 0xE8, 0x08, 0x00));
    rig.feed(f1(300, 0x03, 0x00, 0xD7, 0x12, 0x34));
    rig.feed(f1(300, 0x40, 0x00, 0x01, 0x00, 0x00));
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.log(), "<missing>");
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(rig.cell(Field::txtlog, i), "");
    EXPECT_EQ(rig.rx.state().errorCount, 0u);
}

TEST(F1Rows, RowChangeForgetsTypeSerialAndStoredPacket) {
    F1Rig rig;
    rig.feed(f1(500, 0x04, 0x00, 0x00, 0x00, 0x2A));
    rig.feed(f1(500, 0x40, 0x00, 0x02, 0x00, 0x00));
    rig.feed(f1(500, 0x41, 0x00, 0x00, 0x00, 0x09));
    ASSERT_EQ(rig.cell(Field::txtzero, 0), "S/N:  9");

    rig.rx.click("btClear");
    // Type unknown again: bit-6 packets are ADC, main packets unknown.
    rig.feed(f1(500, 0x41, 0x00, 0x00, 0x00, 0x09));
    EXPECT_EQ(rig.message(), "ADC - Address:  500  Chan1 = 0 (0 V)  Chan2 = 9 (0.1 V)  F/W V 1 - 12:00:00");
    rig.feed(f1(500, 0x04, 0x00, 0x00, 0x00, 0x2A));
    EXPECT_EQ(rig.message(), "Unknown F1 Main Packet - Address:  500  F/W V 4 - 12:00:00");

    // Another transmitter typed into the row starts it afresh too.
    rig.feed(f1(500, 0x40, 0x00, 0x02, 0x00, 0x00));
    ASSERT_EQ(rig.cell(Field::txtcount, 0), "Meter:  42");
    rig.rx.type({Field::txttx, 0}, "501");
    rig.feed(f1(501, 0x40, 0x00, 0x02, 0x00, 0x00));
    EXPECT_EQ(rig.cell(Field::txtcount, 0), "");
    EXPECT_EQ(rig.rx.state().f1[0].deviceType, 2);
    EXPECT_EQ(rig.rx.state().f1[0].mainStatus, 0);
    // Transmitter 500 takes a new row and starts there with nothing known.
    rig.feed(f1(500, 0x04, 0x00, 0x00, 0x00, 0x2A));
    EXPECT_EQ(rig.cell(Field::txttx, 1), "500");
    EXPECT_EQ(rig.message(), "Unknown F1 Main Packet - Address:  500  F/W V 4 - 12:00:00");
}

TEST(F1Rows, EveryCopyIsDecoded) {
    F1Rig rig;
    rig.feed(f1(77, 0x42, 0x03, 0xE8, 0x08, 0x00));
    rig.feed(f1(77, 0x42, 0x03, 0xE8, 0x08, 0x00));
    EXPECT_EQ(rig.messages.size(), 2u);
}

TEST(F1Rows, UhfTakesF1AsABadFrame) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.feed(f1(77, 0x42, 0x03, 0xE8, 0x08, 0x00));
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message().rfind("$F1,$0,$0,$4D,$42,$3,$E8,$8,$0,", 0), 0u);
    EXPECT_EQ(rig.cell(Field::txttx, 0), "0");
    EXPECT_EQ(rig.file(kLog), "<missing>");
}

}  // namespace
}  // namespace ravo
