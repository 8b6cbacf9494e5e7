#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"
#include "sim/Capture.h"

namespace ravo {
namespace {

using namespace capture;

TEST(CaptureLines, Records) {
    EXPECT_TRUE(std::holds_alternative<Ignore>(parseLine("")));
    EXPECT_TRUE(std::holds_alternative<Ignore>(parseLine("   ")));
    EXPECT_TRUE(std::holds_alternative<Ignore>(parseLine("# note")));
    const auto t = std::get<SetTime>(parseLine("@2026-12-07 12:00:00.250\r")).time;
    EXPECT_EQ(t.day, 7);
    EXPECT_EQ(t.millisecond, 250);
    EXPECT_EQ(std::get<Advance>(parseLine("+1.5")).seconds, 1.5);
    EXPECT_EQ(std::get<Receive>(parseLine("82 00 0a\tD2")).bytes, test::bytes({0x82, 0x00, 0x0A, 0xD2}));
    EXPECT_EQ(std::get<Receive>(parseLine("8200")).bytes, test::bytes({0x82, 0x00}));
    EXPECT_EQ(std::get<Receive>(parseLine(R"("Rtl\t\"x\"\\\r\n\xff")")).bytes, "Rtl\t\"x\"\\\r\n\xff");
    const auto set = std::get<Set>(parseLine("!set txtzero[2] 100 200"));
    EXPECT_EQ(set.name, "txtzero[2]");
    EXPECT_EQ(set.text, "100 200");
    EXPECT_EQ(std::get<Set>(parseLine("!set txtaddfilter")).text, "");
    EXPECT_EQ(std::get<Set>(parseLine("!set txtaddfilter ")).text, "");
    EXPECT_EQ(std::get<Click>(parseLine("!click btClear")).name, "btClear");
    EXPECT_EQ(std::get<DoubleClick>(parseLine("!dblclick txt_errorcount")).name, "txt_errorcount");
}

TEST(CaptureLines, Invalid) {
    for (const char* bad :
         {"@2026-13-01 00:00:00", "@2026-02-30 00:00:00", "@2026-12-07 12:00", "+", "+-1", "+abc", "820", "82 0 0",
          "zz", "\"open", "\"bad \\q\"", "\"\\x4\"", "!frob x", "!click", "!click a b", "!set"}) {
        EXPECT_TRUE(std::holds_alternative<Invalid>(parseLine(bad))) << bad;
    }
}

TEST(CaptureLines, WrittenFormsReadBack) {
    const std::string raw = "a\"b\\\r\n\x01\xB0";
    EXPECT_EQ(std::get<Receive>(parseLine(quotedLine(raw))).bytes, raw);
    EXPECT_EQ(std::get<Receive>(parseLine(hexLine(raw))).bytes, raw);
    const LocalTime t{2026, 12, 7, 9, 5, 3, 7};
    const LocalTime back = std::get<SetTime>(parseLine(timeLine(t))).time;
    EXPECT_EQ(back.second, 3);
    EXPECT_EQ(back.millisecond, 7);
}

TEST(Replay, StopsAtTheFirstBadLineWithItsNumber) {
    test::Rig rig;
    ReplayClock clock;
    std::istringstream in("# header\n@2026-12-07 12:00:00\n!set txtaddfilter 5\nnot hex\n!set txtaddfilter 6\n");
    const auto error = replayCapture(in, rig.rx, clock);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->line, 4u);
    EXPECT_EQ(rig.rx.screen().text(Field::txtaddfilter), "5");
}

TEST(Replay, UnknownBoxesAndControlsAreErrors) {
    for (const char* line : {"!set nosuch 1", "!click nosuch", "!dblclick btClear"}) {
        test::Rig rig;
        ReplayClock clock;
        std::istringstream in(line);
        EXPECT_TRUE(replayCapture(in, rig.rx, clock)) << line;
    }
}

TEST(Replay, ClockStandsStillAndMovesOn) {
    ReplayClock clock;
    clock.set(LocalTime{2026, 12, 7, 23, 59, 58, 0});
    clock.advance(3);
    EXPECT_EQ(clock.now().day, 8);
    EXPECT_EQ(clock.now().second, 1);
    EXPECT_EQ(clock.now().second, 1);
}

TEST(Replay, ThreeFramesInOneEventAreDecodedInOrder) {
    test::Rig rig;
    std::string three;
    for (int a : {1, 2, 3}) three += test::frame({0x82, 0, 0, a, 0x03, 0x00, 0x2B, 0x00, 0x29});
    rig.rx.receive(three);
    for (int a : {1, 2, 3}) {
        EXPECT_TRUE(rig.tick());
        EXPECT_EQ(rig.rx.state().frame.address, a);
    }
    EXPECT_FALSE(rig.tick()) << "an empty buffer: no call";
    EXPECT_EQ(rig.messages.size(), 3u);
}

TEST(Replay, AFrameSplitOverTwoEvents) {
    test::Rig rig;
    const std::string f = test::frame({0x82, 0, 0, 9, 0x03, 0x00, 0x2B, 0x00, 0x29});
    rig.rx.receive(f.substr(0, 4));
    EXPECT_TRUE(rig.tick());
    EXPECT_EQ(rig.rx.state().receiveBuffer.size(), 4u);
    rig.rx.receive(f.substr(4));
    EXPECT_TRUE(rig.tick());
    EXPECT_EQ(rig.messages.size(), 1u);
}

}  // namespace
}  // namespace ravo
