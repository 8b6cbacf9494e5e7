#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::frame;

std::string temperatureFrom(int address) {
    return frame({0x82, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF, 0x03, 0x00, 0x2B, 0x00, 0x29});
}

TEST(AddressFilter, OffForZeroEmptyOrLetters) {
    for (const char* filter : {"0", "", "abc"}) {
        test::Rig rig;
        rig.rx.type({Field::txtaddfilter}, filter);
        rig.feed(temperatureFrom(99));
        EXPECT_EQ(rig.messages.size(), 1u) << filter;
    }
}

TEST(AddressFilter, ShowsOnlyTheChosenAddress) {
    test::Rig rig;
    rig.rx.type({Field::txtaddfilter}, "1234abc");
    rig.feed(temperatureFrom(1234));
    const std::string shown = rig.message();
    rig.feed(temperatureFrom(99));
    EXPECT_EQ(rig.message(), shown);
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.rx.screen().text(Field::txttempadd, 1), "99") << "the grid still takes the filtered packet";
}

TEST(AddressFilter, ChangingItEmptiesTheMessageBox) {
    test::Rig rig;
    rig.feed(temperatureFrom(5));
    ASSERT_FALSE(rig.message().empty());
    rig.rx.type({Field::txtaddfilter}, "12");
    EXPECT_EQ(rig.message(), "");
    EXPECT_EQ(rig.messages.size(), 1u) << "emptying is not a write of a line";
}

TEST(AddressFilter, NegativeOrFractionalMatchesNothing) {
    for (const char* filter : {"-5", "0.5"}) {
        test::Rig rig;
        rig.rx.type({Field::txtaddfilter}, filter);
        rig.feed(temperatureFrom(5));
        rig.feed(temperatureFrom(0));
        EXPECT_TRUE(rig.messages.empty()) << filter;
    }
}

}  // namespace
}  // namespace ravo
