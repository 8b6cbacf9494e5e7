#include <gtest/gtest.h>

#include "TestSupport.h"
#include "frames/FrameExtraction.h"

namespace ravo {
namespace {

using test::bytes;
using test::frame;

// The frame of the echo example: 82 00 12 34 0C 00 00 00 5A E6 44 (CRC correct).
const std::string kFrame = bytes({0x82, 0x00, 0x12, 0x34, 0x0C, 0x00, 0x00, 0x00, 0x5A, 0xE6, 0x44});

struct ExtractionTest : ::testing::Test {
    test::Rig rig;
    ProgramState& st = rig.state();
    std::string buffer() const { return std::string(st.receiveBuffer.view()); }
    Extraction step() { return extractItem(rig.state(), rig.screen()); }
    void put(const std::string& s) { rig.rx.receive(s); }
    const std::string& monitor() const { return rig.rx.screen().text(Field::txtReceiverMonitor); }
};

TEST_F(ExtractionTest, BinaryFrameWaitsForItsEleventhByte) {
    put(kFrame.substr(0, 10));
    st.textLineMode = true;
    EXPECT_EQ(step(), Extraction::Wait);
    EXPECT_EQ(buffer().size(), 10u);
    EXPECT_FALSE(st.textLineMode);
    put(kFrame.substr(10));
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_TRUE(buffer().empty());
    EXPECT_EQ(st.frameLength, 11);
    EXPECT_EQ(st.byte(1), 0x82);
    EXPECT_EQ(st.byte(11), 0x44);
    EXPECT_EQ(monitor(), "82 00 12 34 0C 00 00 00 5A E6 44 \r\n");
}

TEST_F(ExtractionTest, FfPairAfterABinaryFrameGoesWithIt) {
    put(kFrame + bytes({0xFF, 0xFF}) + kFrame);
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_EQ(buffer(), kFrame);
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_TRUE(buffer().empty());
}

TEST_F(ExtractionTest, TextLineEndedByCrLfAndFfPair) {
    const std::string line =
        "8200123"
        "40C0000005AE644\r";
    put(line + "\n" + bytes({0xFF, 0xFF}));
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_TRUE(buffer().empty());
    EXPECT_EQ(st.frameLength, 11);
    EXPECT_EQ(st.byte(3), 0x12);
    EXPECT_EQ(st.byte(11), 0x44);
    EXPECT_TRUE(st.textLineMode);
    EXPECT_EQ(monitor(), line);
}

TEST_F(ExtractionTest, SpacedTextLineWithCrAt35) {
    const std::string line = "82 00 12 34 0C 00 00 00 5A E6 44  \r";  // 33 + one more + CR = 35
    ASSERT_EQ(line.size(), 35u);
    put(line + "\n");
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_EQ(buffer(), "\n");
    EXPECT_EQ(st.byte(4), 0x34);
    EXPECT_EQ(st.byte(10), 0xE6);
    // The LF left over goes with the text-mode discard rule.
    EXPECT_EQ(step(), Extraction::Wait) << "LF alone: no CR, no ETX";
}

TEST_F(ExtractionTest, SpacedTextLineWithCrAt36Waits) {
    put("82 00 12 34 0C 00 00 00 5A E6 44   \r");
    EXPECT_EQ(step(), Extraction::Wait);
    EXPECT_EQ(buffer().size(), 36u);
}

TEST_F(ExtractionTest, TextLineWaitsForItsCr) {
    put("8200");
    EXPECT_EQ(step(), Extraction::Wait);
    EXPECT_EQ(buffer(), "8200");
}

TEST_F(ExtractionTest, TextCodesAreUpperCaseOnly) {
    put("8a00\r");
    EXPECT_EQ(step(), Extraction::Discard);  // not a text code, text mode off: one character goes
    EXPECT_EQ(buffer(), "a00\r");
}

TEST_F(ExtractionTest, RtlLine) {
    put("xxRtl 8200123"
        "40C0000005A rest\r\n");
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_TRUE(st.rtlLine);
    EXPECT_TRUE(st.textLineMode);
    EXPECT_EQ(st.frameLength, 9);
    EXPECT_EQ(st.byte(1), 0x82);
    EXPECT_EQ(st.byte(9), 0x5A);
    EXPECT_EQ(buffer(), "\n");
    EXPECT_EQ(monitor(),
              "8200123"
              "40C0000005A\r\n");
}

TEST_F(ExtractionTest, RtlAtTheVeryEndAfterACr) {
    // The CR stands before the "Rtl"; the line's text is cut short by the buffer's end.
    put("x\rRtl");
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_EQ(buffer(), "Rtl");
    EXPECT_EQ(monitor(), "\r\n");
    EXPECT_EQ(st.frameLength, 9);
    EXPECT_EQ(st.byte(1), 0);
}

TEST_F(ExtractionTest, RtlLineStartingWith7CIsDroppedSilently) {
    put("Rtl 7C00123"
        "40C0000005A\r");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_TRUE(buffer().empty());
    EXPECT_TRUE(monitor().empty());
}

TEST_F(ExtractionTest, RtlAnywhereTakesPrecedenceOverAFrameInFront) {
    put(kFrame +
        "Rtl 8200123"
        "40C0000005A");
    EXPECT_EQ(step(), Extraction::Wait);
    EXPECT_EQ(buffer().size(), 11u + 22u);
    put("\r");
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_TRUE(st.rtlLine);
    EXPECT_TRUE(buffer().empty()) << "the binary frame in front goes with the line";
}

TEST_F(ExtractionTest, LeadingFfPairWaitsForACrAnywhere) {
    put(bytes({0xFF, 0xFF, 0x41}));
    EXPECT_EQ(step(), Extraction::Wait);
    EXPECT_EQ(buffer().size(), 3u);
    put("\r");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), "A\r");
    EXPECT_TRUE(st.textLineMode);
}

TEST_F(ExtractionTest, JunkGoesOneCharacterPerCallOutsideTextMode) {
    put("abc");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), "bc");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), "c");
}

TEST_F(ExtractionTest, JunkUpToAnFfPairGoesAtOnceOutsideTextMode) {
    put("ab" + bytes({0xFF, 0xFF}) + "cd");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), "cd");
}

TEST_F(ExtractionTest, TextModeDiscardsToTheCharacterAfterCrOrEtx) {
    st.textLineMode = true;
    put("OK\r\nnext");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), "next");
    EXPECT_EQ(step(), Extraction::Wait);
    put(bytes({0x03}) + "Zrest");
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), "rest");
}

std::string payload12() {
    return frame({0x82, 0x00, 0x00, 0x04, 0xD2, 0x10, 0x00, 0x2B, 0x00, 0x70});  // 12 bytes with CRC
}

TEST_F(ExtractionTest, StxPayloadOnVhfShiftsTheHeader) {
    put(test::stxWrapped(payload12()));
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_EQ(st.frameLength, 12);
    EXPECT_EQ(st.headerOffset, 1);
    EXPECT_EQ(buffer(), bytes({0x03}));
    EXPECT_FALSE(st.textLineMode);
    // The ETX left in front goes on its own.
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_TRUE(buffer().empty());
}

TEST_F(ExtractionTest, StxPayloadOnUhfHasNoShift) {
    rig.rx.selectBand(false);
    put(test::stxWrapped(payload12(), 0x12));
    EXPECT_EQ(step(), Extraction::Cut);
    EXPECT_EQ(st.headerOffset, 0);
}

TEST_F(ExtractionTest, StxWithAWrongMarkerLosesOnlyItsFirstCharacter) {
    const std::string wrapped = test::stxWrapped(payload12(), 0x13);
    put(wrapped);
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), wrapped.substr(1));
}

TEST_F(ExtractionTest, StxWaitsForTwentyOneCharacters) {
    const std::string wrapped = test::stxWrapped(payload12());
    put(wrapped.substr(0, 20));
    EXPECT_EQ(step(), Extraction::Wait);
    put(wrapped.substr(20));
    EXPECT_EQ(step(), Extraction::Cut);
}

TEST_F(ExtractionTest, StxWithAnUnknownTypeLosesOneCharacter) {
    std::string wrapped = test::stxWrapped(payload12());
    wrapped[6] = 0x55;
    put("Z" + wrapped);
    EXPECT_EQ(step(), Extraction::Discard);
    EXPECT_EQ(buffer(), wrapped);
}

TEST_F(ExtractionTest, MonitorKeepsItsLast500Characters) {
    ScreenModel& s = rig.screen();
    s.appendMonitor(std::string(490, 'a'));
    s.appendMonitor(std::string(30, 'b'));
    EXPECT_EQ(monitor().size(), 500u);
    EXPECT_EQ(monitor(), std::string(470, 'a') + std::string(30, 'b'));
    s.appendMonitor(std::string(499, 'c') + "d");
    EXPECT_EQ(monitor(), std::string(499, 'c') + "d");
}

TEST(HexPair, DigitsBlanksAndEnds) {
    EXPECT_EQ(hexPair("AB", 1), 0xAB);
    EXPECT_EQ(hexPair("ab", 1), 0xAB);
    EXPECT_EQ(hexPair(" 8", 1), 8);
    EXPECT_EQ(hexPair("8\r", 1), 8);
    EXPECT_EQ(hexPair("G1", 1), 0);
    EXPECT_EQ(hexPair("1", 1), 1);
    EXPECT_EQ(hexPair("", 1), 0);
    EXPECT_EQ(hexPair("12345", 5), 5);
}

TEST(ReceiveBufferPositions, LongBuffersKeepTheirPositions) {
    // Far beyond 16-bit positions: a frame after 70 000 characters of junk is still found whole.
    test::Rig rig;
    rig.state().textLineMode = true;
    std::string junk(70000, 'x');
    rig.rx.receive(junk + "\r\n" + kFrame);
    EXPECT_EQ(extractItem(rig.state(), rig.screen()), Extraction::Discard);
    EXPECT_EQ(rig.state().receiveBuffer.size(), 11u);
    EXPECT_EQ(extractItem(rig.state(), rig.screen()), Extraction::Cut);
    EXPECT_EQ(rig.state().byte(11), 0x44);
}

}  // namespace
}  // namespace ravo
