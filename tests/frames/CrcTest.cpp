#include <gtest/gtest.h>

#include "TestSupport.h"
#include "frames/Crc16.h"

namespace ravo {
namespace {

void load(ProgramState& st, const std::string& f) {
    st.frameLength = static_cast<int>(f.size());
    for (size_t i = 0; i < f.size(); ++i) st.frameBytes[i + 1] = static_cast<unsigned char>(f[i]);
}

TEST(Crc16, CheckValueOfTheNineDigits) {
    ProgramState st;
    st.commandText = "123456789";
    commandCrc(st);
    EXPECT_EQ(st.crcLow, 0x37);
    EXPECT_EQ(st.crcHigh, 0x4B);
    st.commandText.clear();
    commandCrc(st);
    EXPECT_EQ(st.crcLow, 0xFF);
    EXPECT_EQ(st.crcHigh, 0xFF);
}

TEST(Crc16, FrameCheckCoversBytesTwoToLengthMinusTwo) {
    ProgramState st;
    const std::string good = test::bytes({0x82, 0x00, 0x12, 0x34, 0x0C, 0x00, 0x00, 0x00, 0x5A, 0xE6, 0x44});
    load(st, good);
    checkFrameCrc(st);
    EXPECT_TRUE(st.crcOk);
    EXPECT_EQ(st.crcLow, 0xE6);
    EXPECT_EQ(st.crcHigh, 0x44);

    std::string otherType = good;
    otherType[0] = static_cast<char>(0x99);
    load(st, otherType);
    checkFrameCrc(st);
    EXPECT_TRUE(st.crcOk) << "the type code is not covered";

    std::string swapped = good;
    std::swap(swapped[9], swapped[10]);
    load(st, swapped);
    checkFrameCrc(st);
    EXPECT_FALSE(st.crcOk);
    EXPECT_EQ(st.crcLow, 0xE6) << "the register holds the computed CRC";
}

}  // namespace
}  // namespace ravo
