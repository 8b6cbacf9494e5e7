#include <gtest/gtest.h>

#include "TestSupport.h"
#include "screen/GridRows.h"

namespace ravo {
namespace {

struct GridsTest : ::testing::Test {
    test::Rig rig;
    ScreenModel& s = rig.screen();
    int findPulse(int address, Colour c = colour::black) { return findPulseRow(s, address, c); }
    int findTemp(int address, Colour c = colour::black) { return findTempRow(s, address, c); }
};

TEST_F(GridsTest, FindsTheRowOrTakesTheFirstFreeOne) {
    s.setText(Field::txttx, 0, "100");
    s.setText(Field::txttx, 2, "300");
    s.setText(Field::txtcount, 1, "old");
    EXPECT_EQ(findPulse(300), 2);
    EXPECT_EQ(findPulse(400, colour::blue), 1);
    EXPECT_EQ(s.text(Field::txttx, 1), "400");
    EXPECT_EQ(s.fore(Field::txttx, 1), colour::blue);
    EXPECT_EQ(s.text(Field::txtcount, 1), "") << "the row-change rule emptied the row";
}

TEST_F(GridsTest, TheUpperOfTwoEqualAddressesWins) {
    s.setText(Field::txttempadd, 5, "42");
    s.setText(Field::txttempadd, 3, "42");
    EXPECT_EQ(findTemp(42), 3);
}

TEST_F(GridsTest, TwentyFirstAddressFindsNoRow) {
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(findTemp(1000 + i), i);
    EXPECT_EQ(findTemp(5000), kNoRow);
    for (int i = 0; i < kGridRows; ++i) EXPECT_EQ(s.text(Field::txttempadd, i), std::to_string(1000 + i));
}

TEST_F(GridsTest, AddressZeroFindsTheFirstFreeRowWithoutWriting) {
    s.setFore(Field::txttx, 0, colour::red);
    EXPECT_EQ(findPulse(0, colour::blue), 0);
    EXPECT_EQ(s.text(Field::txttx, 0), "0");
    EXPECT_EQ(s.fore(Field::txttx, 0), colour::red);
}

TEST_F(GridsTest, LettersMakeARowFreeAndReservedRowsKeepTheirColour) {
    s.setText(Field::txttx, 0, "abc");
    s.setText(Field::txttx, 1, "500");
    EXPECT_EQ(findPulse(77), 0);
    EXPECT_EQ(s.text(Field::txttx, 0), "77");
    EXPECT_EQ(findPulse(500, colour::blue), 1);
    EXPECT_EQ(s.fore(Field::txttx, 1), colour::black);
}

TEST_F(GridsTest, RowChangeEmptiesTheRowAndPutsOutTheLamp) {
    s.setText(Field::txttempadd, 4, "9");
    s.setText(Field::txttemp1, 4, "x");
    s.setText(Field::txtemprx, 4, "y");
    s.setLamp(4, true);
    s.setText(Field::txttempadd, 4, "9");  // unchanged: nothing happens
    EXPECT_EQ(s.text(Field::txttemp1, 4), "x");
    s.setText(Field::txttempadd, 4, "10");
    EXPECT_EQ(s.text(Field::txttemp1, 4), "");
    EXPECT_EQ(s.text(Field::txtemprx, 4), "");
    EXPECT_FALSE(s.lamp(4));
}

TEST_F(GridsTest, PulseRowChangeResetsTheF1State) {
    rig.state().f1[6].deviceType = 2;
    rig.state().f1[6].serialNumber = 99;
    s.setText(Field::txttx, 6, "123");
    EXPECT_EQ(rig.state().f1[6].deviceType, 0);
    EXPECT_EQ(rig.state().f1[6].serialNumber, 0u);
}

TEST_F(GridsTest, ClearEntriesReturnsEveryAddressToBlackZero) {
    s.setText(Field::txttx, 3, "12");
    s.setFore(Field::txttx, 3, colour::blue);
    s.setText(Field::txtcount, 3, "v");
    s.setText(Field::txttempadd, 7, "13");
    s.setLamp(7, true);
    EXPECT_TRUE(rig.rx.click("btClear"));
    EXPECT_EQ(s.text(Field::txttx, 3), "0");
    EXPECT_EQ(s.fore(Field::txttx, 3), colour::black);
    EXPECT_EQ(s.text(Field::txtcount, 3), "");
    EXPECT_EQ(s.text(Field::txttempadd, 7), "0");
    EXPECT_FALSE(s.lamp(7));
    s.setText(Field::txttx, 1, "5");
    EXPECT_TRUE(rig.rx.click("txtmask"));
    EXPECT_EQ(s.text(Field::txttx, 1), "0");
}

TEST_F(GridsTest, SequentialAddresses) {
    s.setText(Field::txttx, 0, "100");
    rig.rx.click("cmdseqadd");
    EXPECT_EQ(s.text(Field::txttx, 1), "102");
    EXPECT_EQ(s.text(Field::txttx, 19), "138");
    EXPECT_EQ(s.text(Field::txttx, 0), "100");

    s.setText(Field::txttx, 0, "0");
    rig.rx.click("cmdseqadd");
    EXPECT_EQ(s.text(Field::txttx, 1), "0");
    EXPECT_EQ(s.text(Field::txttx, 19), "0");

    s.setText(Field::txttempadd, 0, "00");
    rig.rx.click("cmdseqtempadd");
    EXPECT_EQ(s.text(Field::txttempadd, 1), "2");
    EXPECT_EQ(s.text(Field::txttempadd, 19), "38");
    s.setText(Field::txttempadd, 0, "");
    s.setText(Field::txttempadd, 1, "x");
    rig.rx.click("cmdseqtempadd");
    EXPECT_EQ(s.text(Field::txttempadd, 1), "2");
}

TEST_F(GridsTest, TypingIntoAnAddressCellClearsItsRow) {
    s.setText(Field::txtcount, 2, "345");
    s.setText(Field::txtzero, 2, "12000");
    rig.rx.type({Field::txttx, 2}, "55");
    EXPECT_EQ(s.text(Field::txtcount, 2), "");
    EXPECT_EQ(s.text(Field::txtzero, 2), "");
}

TEST(BoxNames, ParseAndReject) {
    EXPECT_EQ(ScreenModel::parseBoxName("txtzero[2]"), (BoxRef{Field::txtzero, 2}));
    EXPECT_EQ(ScreenModel::parseBoxName("txtaddfilter"), (BoxRef{Field::txtaddfilter, 0}));
    EXPECT_EQ(ScreenModel::parseBoxName("txtadd8"), (BoxRef{Field::txtadd8, 0}));
    EXPECT_FALSE(ScreenModel::parseBoxName("txtzero[20]"));
    EXPECT_FALSE(ScreenModel::parseBoxName("txtzero"));
    EXPECT_FALSE(ScreenModel::parseBoxName("txtzero[-1]"));
    EXPECT_FALSE(ScreenModel::parseBoxName("txtzero[1x]"));
    EXPECT_FALSE(ScreenModel::parseBoxName("txtaddfilter[0]"));
    EXPECT_FALSE(ScreenModel::parseBoxName("nosuchbox"));
}

}  // namespace
}  // namespace ravo
