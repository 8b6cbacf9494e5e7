#include <gtest/gtest.h>

#include "TestSupport.h"
#include "decoders/Dispatch.h"

namespace ravo {
namespace {

using test::bytes;
using test::frame;

TEST(Header, AddressStatusPayloadAndSignalLevel) {
    test::Rig rig;  // VHF; a UHF-only type, so it ends as a bad frame after the header stage
    rig.feed(frame({0x83, 0x01, 0x02, 0x03, 0x45, 0x10, 0x20, 0x30, 0x5A}));
    const ProgramState& st = rig.rx.state();
    EXPECT_EQ(st.frame.address, 66051);
    EXPECT_EQ(st.frame.status, 0x45);
    EXPECT_EQ(st.frame.payload[0], 0x10);
    EXPECT_EQ(st.frame.payload[3], 0x5A);
    EXPECT_EQ(st.frame.signalLevel, " 5");
    rig.rx.selectBand(false);
    rig.feed(frame({0xF1, 0x01, 0x02, 0x04, 0x45, 0x10, 0x20, 0x30, 0x5A}));
    EXPECT_EQ(st.frame.signalLevel, "");
}

TEST(Header, WrappedPayloadOnVhfReadsOnePositionLater) {
    test::Rig rig;
    // 12 bytes: type, one byte ahead of the address, address 00 04 D2, status 0x03, ...
    rig.feed(test::stxWrapped(frame({0x82, 0x77, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x2B, 0x00, 0x70})));
    const ProgramState& st = rig.rx.state();
    EXPECT_EQ(st.frame.address, 1234);
    EXPECT_EQ(st.frame.status, 0x03);
    EXPECT_EQ(st.frame.signalLevel, " 7");
    EXPECT_EQ(st.byte(1), 0x82);
    EXPECT_EQ(rig.message(), "Temperature - Address:  1234  Temp 1 =  21.5  F/W V 3 - 12:00:00");
}

TEST(Dispatch, TableHoldsEveryTypeCodeOnceInOrder) {
    const int order[] = {0x82, 0x83, 0x84, 0x85, 0x86, 0x8A, 0x7A, 0x7B,
                         0x81, 0x87, 0x88, 0x89, 0x8B, 0x8F, 0xF1, 0xF2};
    ASSERT_EQ(kDispatchTable.size(), std::size(order));
    for (size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(kDispatchTable[i].typeCode, order[i]);
}

TEST(Dispatch, BandConditions) {
    for (const DispatchRow& row : kDispatchTable) {
        if (!row.decode) continue;
        const bool onVhf = findDispatchRow(row.typeCode, true) == &row;
        const bool onUhf = findDispatchRow(row.typeCode, false) == &row;
        EXPECT_EQ(onVhf, row.band != Band::UhfOnly) << row.family;
        EXPECT_EQ(onUhf, row.band != Band::VhfOnly) << row.family;
    }
    EXPECT_EQ(findDispatchRow(0x99, true), nullptr);
}

TEST(Dispatch, UhfOnlyTypeOnVhfIsABadFrame) {
    test::Rig rig(/*vhf=*/true);
    rig.feed(frame({0x83, 0x00, 0x00, 0x05, 0x00, 0x06, 0xA4, 0x17, 0x70}));
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message().substr(0, 4), "$83,");
}

TEST(Dispatch, RtlLineCountsAsCrcGoodButNeedsADecoder) {
    test::Rig rig;
    rig.feed("Rtl 99000102030405060708\r\n");
    EXPECT_TRUE(rig.rx.state().crcOk);
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_EQ(rig.message(), "$99,$0,$1,$2,$3,$4,$5,$6,$7,$E$A0,12:00:00");
}

TEST(Dispatch, RtlTemperatureLineIsDecodedWhateverItsCrc) {
    test::Rig rig;
    rig.feed("Rtl 820004D293002B0000\r\n");
    EXPECT_EQ(rig.message(), "Temperature - Address:  1234  Temp 1 =  21.5  F/W V 3 - 12:00:00");
}

struct RepeatTest : ::testing::Test {
    test::Rig rig;
    const std::string first = frame({0x82, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x2B, 0x00, 0x70});
    const std::string second = frame({0x82, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x2C, 0x00, 0x70});
};

TEST_F(RepeatTest, SameTransmitterWithinFourSecondsIsDroppedAfterItsEcho) {
    rig.at(12, 30, 10);
    rig.feed(first);
    rig.at(12, 30, 13);
    rig.feed(second);
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.cell(Field::txttemp1, 0),
              "21.5 \xB0"
              "C");
    EXPECT_NE(rig.rx.screen().text(Field::txtReceiverMonitor).find("2C"), std::string::npos) << "echo shown";
    rig.at(12, 30, 14);
    rig.feed(second);
    EXPECT_EQ(rig.messages.size(), 2u);
    EXPECT_EQ(rig.cell(Field::txttemp1, 0),
              "22 \xB0"
              "C");
}

TEST_F(RepeatTest, AMinuteBoundaryIsNotARepeat) {
    rig.at(12, 30, 58);
    rig.feed(first);
    rig.at(12, 31, 1);
    rig.feed(second);
    EXPECT_EQ(rig.messages.size(), 2u);
}

TEST_F(RepeatTest, ARepeatWithABadCrcIsNotCounted) {
    rig.feed(first);
    std::string bad = second;
    bad.back() ^= 1;
    rig.feed(bad);
    EXPECT_EQ(rig.rx.state().errorCount, 0u);
    EXPECT_EQ(rig.messages.size(), 1u);
}

TEST_F(RepeatTest, PulseGridRowIsSearchedFirst) {
    rig.rx.type({Field::txttx, 3}, "1234");
    rig.screen().setText(Field::txtlog, 3, "11:00:00");  // an old time in the pulse grid
    rig.feed(first);
    rig.feed(second);  // the temperature row's time is never looked at
    EXPECT_EQ(rig.messages.size(), 2u);
}

TEST_F(RepeatTest, AnUnknownAddressIsNeverSuppressed) {
    rig.feed(first);
    rig.feed(frame({0x82, 0x00, 0x04, 0xD3, 0x03, 0x00, 0x2B, 0x00, 0x70}));
    EXPECT_EQ(rig.messages.size(), 2u);
}

}  // namespace
}  // namespace ravo
