#include <gtest/gtest.h>

#include <random>

#include "TestSupport.h"
#include "frames/FrameExtraction.h"
#include "frames/ReceiveBuffer.h"

namespace ravo {
namespace {

using test::bytes;
using test::frame;

constexpr std::string_view kPatterns[] = {"\r", std::string_view("\xFF\xFF", 2), "Rtl", "\x03", "\x02"};

// The remembered searches agree with a plain search of the whole buffer, whatever
// is appended and removed in between.
TEST(ReceiveBufferSearch, AgreesWithAPlainSearch) {
    std::mt19937 rng(5);
    const std::string alphabet = std::string("\r\xFF\x03\x02Rtlx", 8);
    ReceiveBuffer buf;
    std::string mirror;
    for (int step = 0; step < 20000; ++step) {
        const int action = static_cast<int>(rng() % 10);
        if (action < 5) {
            std::string chunk;
            for (int n = static_cast<int>(rng() % 7); n > 0; --n) chunk.push_back(alphabet[rng() % alphabet.size()]);
            buf.append(chunk);
            mirror += chunk;
        } else if (action < 9) {
            const size_t n = rng() % 4;
            buf.removeFront(n);
            mirror.erase(0, std::min(n, mirror.size()));
        } else if (rng() % 50 == 0) {
            buf.clear();
            mirror.clear();
        }
        ASSERT_EQ(buf.view(), mirror);
        for (int p = 0; p < ReceiveBuffer::PatternCount; ++p) {
            const size_t want = mirror.find(kPatterns[p]);
            ASSERT_EQ(buf.find(static_cast<ReceiveBuffer::Pattern>(p)),
                      want == std::string::npos ? ReceiveBuffer::npos : want)
                << "step " << step << " pattern " << p;
        }
    }
}

TEST(ReceiveBufferSearch, SkippedOccurrenceIsPassedOver) {
    ReceiveBuffer buf;
    buf.append("aRtlbRtl");
    EXPECT_EQ(buf.find(ReceiveBuffer::Rtl), 1u);
    buf.skipOccurrence(ReceiveBuffer::Rtl, 1);
    EXPECT_EQ(buf.find(ReceiveBuffer::Rtl), 5u);
}

TEST(ReceiveBufferSearch, MemoryFollowsTheBacklog) {
    ReceiveBuffer buf;
    const std::string chunk(1000, 'x');
    for (int i = 0; i < 1000; ++i) {
        buf.append(chunk);
        buf.removeFront(1000);
    }
    EXPECT_TRUE(buf.empty());
    EXPECT_EQ(buf.consumed(), 1000000u);
}

const std::string kFrame = frame({0x82, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x2B, 0x00, 0x29});

// Frames of `count` transmitters from address `first` on, leaving out any frame
// that holds a CR, STX, ETX or 0xFF byte, so that only the waits under test matter.
std::string framesFrom(int first, int count) {
    std::string s;
    for (int a = first; count > 0; ++a) {
        const std::string f = frame({0x82, 0x00, (a >> 8) & 0xFF, a & 0xFF, 0x04, 0x00, 0x2B, 0x00, 0x29});
        if (f.find_first_of(std::string("\r\x02\x03\xFF", 4)) != std::string::npos) continue;
        s += f;
        --count;
    }
    return s;
}

TEST(BoundedWaits, AnRtlLineThatNeverEndsStopsClaimingTheBuffer) {
    test::Rig rig;
    // Frames in front of and behind an "Rtl" line whose CR never comes.
    rig.feed(framesFrom(1, 3) + "Rtl 820004" + framesFrom(100, 400));
    // Given up twice: the "Rtl" line's CR, then the text line "820004..." its remains look like.
    EXPECT_EQ(rig.rx.state().abandonedWaits, 2u);
    EXPECT_EQ(rig.messages.size(), 403u) << "every frame is decoded";
    EXPECT_LT(rig.rx.state().receiveBuffer.size(), 11u);
}

TEST(BoundedWaits, TextModeIsLeftWhenNoLineEndComes) {
    test::Rig rig;
    // A text line's LF is left behind; binary frames (without CR) follow.
    rig.feed("Rtl 820004D204002B0029\r\n" + framesFrom(10, 380));
    EXPECT_EQ(rig.rx.state().abandonedWaits, 1u);
    EXPECT_EQ(rig.messages.size(), 381u);
}

TEST(BoundedWaits, ShortBacklogsWaitAsBefore) {
    test::Rig rig;
    rig.feed("\n" + framesFrom(10, 300));  // text mode is off: the LF goes, the frames decode
    EXPECT_EQ(rig.messages.size(), 300u);
    test::Rig text;
    text.state().textLineMode = true;
    text.feed("\n" + framesFrom(10, 300));  // 3301 bytes: still waiting for a CR
    EXPECT_EQ(text.messages.size(), 0u);
    EXPECT_EQ(text.rx.state().abandonedWaits, 0u);
    text.feed("\r\n");  // the CR comes: everything up to it goes, as before
    EXPECT_TRUE(text.rx.state().receiveBuffer.empty());
}

TEST(BoundedWaits, AWaitThatLastsTooLongDropsOneByte) {
    test::Rig rig;
    rig.feed(kFrame.substr(0, 5));  // a frame cut short on air
    EXPECT_EQ(rig.rx.state().receiveBuffer.size(), 5u);
    rig.state().giveUpWait = true;
    rig.tick();
    EXPECT_EQ(rig.rx.state().receiveBuffer.size(), 4u);
    EXPECT_EQ(rig.rx.state().abandonedWaits, 1u);
    EXPECT_EQ(rig.rx.state().abandonedBytes, 1u);
    EXPECT_FALSE(rig.rx.state().giveUpWait);
    // What is left is no frame; the next frame decodes.
    rig.feed(kFrame);
    EXPECT_EQ(rig.messages.size(), 1u);
    rig.feed(kFrame.substr(0, 5));
    EXPECT_EQ(rig.rx.state().receiveBuffer.size(), 5u) << "the request covered one wait only";
}

TEST(BoundedWaits, ARequestIsForgottenWhenNothingWaits) {
    test::Rig rig;
    rig.state().giveUpWait = true;
    rig.feed(kFrame);
    EXPECT_EQ(rig.messages.size(), 1u);
    rig.feed(kFrame.substr(0, 5));
    EXPECT_EQ(rig.rx.state().receiveBuffer.size(), 5u);
    EXPECT_EQ(rig.rx.state().abandonedWaits, 0u);
}

TEST(PollCycle, OneItemATickWhileTheBacklogIsSmall) {
    test::Rig rig;
    rig.rx.receive(framesFrom(1, 3));
    EXPECT_TRUE(rig.pollCycle());
    EXPECT_EQ(rig.messages.size(), 1u);
    EXPECT_TRUE(rig.pollCycle());
    EXPECT_TRUE(rig.pollCycle());
    EXPECT_EQ(rig.messages.size(), 3u);
    EXPECT_FALSE(rig.pollCycle());
}

TEST(PollCycle, ABacklogIsWorkedDownBelowTheThreshold) {
    test::Rig rig;
    rig.rx.receive(framesFrom(1, 200));
    int ticks = 0;
    while (rig.rx.state().receiveBuffer.size() > Receiver::kCatchUpThreshold && ticks < 200) {
        rig.pollCycle();
        ++ticks;
    }
    EXPECT_LT(ticks, 200) << "more than one item a tick";
    EXPECT_LE(rig.rx.state().receiveBuffer.size(), Receiver::kCatchUpThreshold);
    EXPECT_EQ(rig.messages.size(), 200u - rig.rx.state().receiveBuffer.size() / 11);
}

}  // namespace
}  // namespace ravo
