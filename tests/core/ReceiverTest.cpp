// The receiver's verbs and observers: the time each tick is given, the modal
// messages, and what a recorder is told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

namespace ravo {
namespace {

struct Times : ReadingSink {
    std::vector<LocalTime> times;
    void reading(const Reading& r) override { times.push_back(r.time); }
    void badFrame(const BadFrameEvent&) override {}
};

struct Told : Receiver::DecodingObserver {
    std::vector<std::string> events;
    void operatorAction(const OperatorAction& a) override { events.push_back("action " + a.name + "=" + a.text); }
    void itemTimed(const LocalTime& t) override { events.push_back("item " + std::to_string(t.second)); }
};

std::string pulseFrame(int address) { return test::frame({0x82, 0, 0, address, 0x03, 0x00, 0x2B, 0x00, 0x29}); }

TEST(Receiver, EveryItemTakesTheTimeItsTickWasGiven) {
    test::Rig rig;
    Times sink;
    rig.rx.addReadingSink(&sink);
    std::string many;
    for (int a = 1; a <= 40; ++a) many += pulseFrame(a);  // over the catch-up threshold
    rig.rx.receive(many);
    const LocalTime first{2026, 12, 7, 12, 0, 5, 250};
    const LocalTime second{2026, 12, 7, 12, 0, 6, 0};
    ASSERT_TRUE(rig.rx.pollCycle(first));
    const size_t inFirst = sink.times.size();
    ASSERT_GT(inFirst, 1u) << "the backlog is worked off in one cycle";
    while (rig.rx.tick(second)) {
    }
    ASSERT_EQ(sink.times.size(), 40u);
    for (size_t i = 0; i < sink.times.size(); ++i) {
        const LocalTime& want = i < inFirst ? first : second;
        EXPECT_EQ(sink.times[i].second, want.second) << i;
        EXPECT_EQ(sink.times[i].millisecond, want.millisecond) << i;
    }
    EXPECT_EQ(rig.rx.state().time.timeText, "12:00:06");
    rig.rx.removeReadingSink(&sink);
}

TEST(Receiver, MessagesQueueForAWindowOrAreOnlyTold) {
    struct Case {
        bool queue;
        size_t waiting;
    } cases[] = {{true, 2}, {false, 0}};
    for (const Case& c : cases) {
        test::Rig rig;
        std::vector<std::string> told;
        rig.rx.observeErrors([&](const std::string& m) { told.push_back(m); }, c.queue);
        rig.rx.raiseError("first");
        rig.rx.raiseError("second");
        EXPECT_EQ(told, (std::vector<std::string>{"first", "second"}));
        EXPECT_EQ(rig.rx.pendingErrors().size(), c.waiting);
        if (!c.queue) continue;
        EXPECT_EQ(rig.rx.takeError(), "first");
        EXPECT_EQ(rig.rx.takeError(), "second");
        EXPECT_FALSE(rig.rx.takeError());
    }
}

TEST(Receiver, ARecorderIsToldActionsAndTheTimeOfEachItem) {
    test::Rig rig;
    Told told;
    rig.rx.observeDecoding(&told);
    rig.rx.type({Field::txtaddfilter, 0}, "7");
    rig.rx.click("btClear");
    rig.rx.receive(pulseFrame(1) + pulseFrame(2));
    rig.rx.tick(LocalTime{2026, 12, 7, 12, 0, 1, 0});
    rig.rx.clockTick(LocalTime{2026, 12, 7, 12, 0, 9, 0});  // not an item: nothing told
    rig.rx.tick(LocalTime{2026, 12, 7, 12, 0, 2, 0});
    EXPECT_FALSE(rig.rx.click("noSuchButton"));
    EXPECT_EQ(told.events, (std::vector<std::string>{"action txtaddfilter=7", "action btClear=", "item 1", "item 2"}));
    EXPECT_EQ(rig.rx.screen().text(Field::txtmask), "12:00:09");
}

}  // namespace
}  // namespace ravo
