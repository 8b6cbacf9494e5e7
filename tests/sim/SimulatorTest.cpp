#include <gtest/gtest.h>

#include "TestSupport.h"
#include "sim/Encoders.h"
#include "sim/Simulator.h"

namespace ravo {
namespace {

using sim::PacketBody;

const PacketBody kBody = sim::makeBody(0x82, 1234, 0x93, {0x00, 0x2B, 0x00, 0x29});

// Bytes 1 to n of the item the rig cut last.
std::string cut(const test::Rig& rig, int n) {
    std::string s;
    for (int i = 1; i <= n; ++i) s.push_back(static_cast<char>(rig.rx.state().byte(i)));
    return s;
}

TEST(Encoders, EveryFormIsCutIntoTheSameFrame) {
    const std::string frame = sim::binaryFrame(kBody);
    EXPECT_EQ(frame, test::frame({0x82, 0x00, 0x04, 0xD2, 0x93, 0x00, 0x2B, 0x00, 0x29}));
    for (const std::string& form : {sim::binaryFrame(kBody), sim::hexLine(kBody), sim::spacedHexLine(kBody)}) {
        test::Rig rig(false);
        rig.feed(form);
        EXPECT_EQ(cut(rig, 11), frame);
        EXPECT_TRUE(rig.rx.state().receiveBuffer.empty());
        EXPECT_EQ(rig.rx.state().errorCount, 0u);
    }
    test::Rig rtl(false);
    rtl.feed(sim::rtlLine(kBody));
    EXPECT_EQ(cut(rtl, 9), frame.substr(0, 9));
    EXPECT_TRUE(rtl.rx.state().receiveBuffer.empty());
}

TEST(Encoders, StxPayloadsOnBothBands) {
    for (bool vhf : {true, false}) {
        test::Rig rig(vhf);
        rig.feed(sim::stxPayload(kBody, vhf));
        EXPECT_EQ(rig.rx.state().frameLength, 12);
        EXPECT_TRUE(rig.rx.state().crcOk);
        EXPECT_EQ(rig.rx.state().frame.address, 1234);
        EXPECT_EQ(rig.rx.state().frame.status, 0x93);
        EXPECT_TRUE(rig.rx.state().receiveBuffer.empty());
    }
}

TEST(Simulator, SameSeedSameTraffic) {
    sim::Simulator a(true, 7), b(true, 7), c(true, 8);
    bool differs = false;
    for (int i = 0; i < 50; ++i) {
        const std::string x = a.next().bytes;
        EXPECT_EQ(x, b.next().bytes);
        differs |= x != c.next().bytes;
    }
    EXPECT_TRUE(differs);
}

// Every packet the simulator sends decodes; only the corrupted ones become bad
// frames, and only repeats or corrupted frames of a recent transmitter are dropped.
void runSite(bool vhf, sim::Forms forms) {
    test::Rig rig(vhf);
    sim::Simulator simulator(vhf, 42, forms);
    int corrupted = 0;
    for (int i = 0; i < 3000; ++i) {
        rig.clock.advance(1.1);
        const sim::SimEvent e = simulator.next();
        corrupted += e.kind == sim::SimEvent::Kind::Corrupted;
        const uint64_t errorsBefore = rig.rx.state().errorCount;
        rig.feed(e.bytes);
        if (e.kind != sim::SimEvent::Kind::Corrupted) {
            ASSERT_EQ(rig.rx.state().errorCount, errorsBefore) << "event " << i << ": " << rig.message();
        }
        ASSERT_TRUE(rig.rx.state().receiveBuffer.empty() || rig.rx.state().receiveBuffer.size() < 3) << "event " << i;
    }
    EXPECT_GT(corrupted, 0);
    EXPECT_GT(rig.rx.state().errorCount, 0u);
}

TEST(Simulator, VhfSiteDecodesCleanly) { runSite(true, sim::Forms::Mixed); }
TEST(Simulator, UhfSiteDecodesCleanly) { runSite(false, sim::Forms::Mixed); }
TEST(Simulator, BinaryFormsOnly) { runSite(false, sim::Forms::Binary); }

TEST(Simulator, EveryDecodedTypeOfTheBandIsOnSite) {
    for (bool vhf : {true, false}) {
        sim::Simulator s(vhf, 1);
        std::set<int> types;
        for (const auto& t : s.site()) types.insert(t.type);
        for (int type : sim::typesOfBand(vhf)) EXPECT_TRUE(types.count(type)) << std::hex << type;
    }
    sim::Simulator binary(false, 1, sim::Forms::Binary);
    for (const auto& t : binary.site()) EXPECT_NE(t.type, 0x7B) << "no binary form carries the signal report";
}

}  // namespace
}  // namespace ravo
