#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/Commands.h"
#include "sim/Capture.h"

namespace ravo {
namespace {

std::string hex(const Command& c) { return capture::hexLine(c.bytes); }

TEST(AddressBytes, TwentyFourBitsMostSignificantFirst) {
    EXPECT_EQ(*addressBytes(1234), test::bytes({0x00, 0x04, 0xD2}));
    EXPECT_EQ(*addressBytes(70000), test::bytes({0x01, 0x11, 0x70}));
    EXPECT_EQ(*addressBytes(16777215), test::bytes({0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(*addressBytes(256), test::bytes({0x00, 0x01, 0x00}));
    EXPECT_EQ(*addressBytes(0), test::bytes({0, 0, 0}));
    EXPECT_EQ(*addressBytes(1234.5), test::bytes({0x00, 0x04, 0xD2})) << "a half goes to the even neighbour";
}

TEST(AddressBytes, ValuesThatCannotBeSent) {
    EXPECT_FALSE(addressBytes(-1));
    EXPECT_FALSE(addressBytes(16777216));
    EXPECT_FALSE(addressBytes(16777215.6)) << "the remainder would round to 65536";
}

TEST(Commands, WorkedExamples) {
    EXPECT_EQ(hex(modeCommand("1")), "41 54 3D 01 84 98");
    EXPECT_EQ(hex(modeCommand("0")), "41 54 3D 00 45 58");
    EXPECT_EQ(hex(modeCommand("abc")), "41 54 3D 00 45 58");
    EXPECT_EQ(hex(addressCommand({"1234", "0", "0"})), "41 50 00 04 D2 00 00 00 00 00 00 A7 66");
    EXPECT_EQ(addressCommand({"1", "2", "3", "4", "5", "6", "7", "8"}).bytes.size(), 28u);
    EXPECT_EQ(hex(addressCommand({"letters", "0", "0"})), hex(addressCommand({"0", "0", "0"})));
}

TEST(Commands, UnencodableValuesAreRefusedWithAReason) {
    EXPECT_FALSE(modeCommand("256").ok());
    EXPECT_FALSE(modeCommand("-1").ok());
    EXPECT_TRUE(modeCommand("255.4").ok());
    const Command c = addressCommand({"1", "16777216", "0"});
    EXPECT_FALSE(c.ok());
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_NE(c.error.find("Address 2"), std::string::npos);
}

TEST(Commands, ButtonsReadTheBoxesAndEmptyTheMessageBox) {
    test::Rig rig;
    rig.screen().showMessage("old line");
    rig.rx.type({Field::txtadd1}, "1234");
    rig.rx.type({Field::txtadd4}, "99");  // not read by the 3-address command
    const Command c = rig.rx.addressesCommand(3);
    EXPECT_EQ(hex(c), "41 50 00 04 D2 00 00 00 00 00 00 A7 66");
    EXPECT_EQ(rig.message(), "");
    EXPECT_EQ(rig.rx.state().commandText, c.bytes);
    EXPECT_EQ(rig.rx.state().crcLow, 0xA7);
    EXPECT_EQ(rig.rx.state().crcHigh, 0x66);
    rig.rx.type({Field::txtmode}, "1");
    EXPECT_EQ(hex(rig.rx.modeCommand()), "41 54 3D 01 84 98");
}

}  // namespace
}  // namespace ravo
