// The feed on the decoding side: snapshots that follow the registry (forgotten
// transmitters go, silence and repeats show), and the ring of events.
// GCC 12 takes the string alternative of a field value moved into a reading for
// one that may be read uninitialised; it is not.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include <gtest/gtest.h>

#include "http/HttpApi.h"
#include "http/HttpFeed.h"

namespace ravo {
namespace {

constexpr FieldDecl kLevel{"level", "", "Level", FieldKind::Number};

void fillLevelReading(Reading& r, std::int32_t address, int minute, double level) {
    r.restart();
    r.time = LocalTime{2026, 12, 9, 14, minute, 0, 0};
    r.type = 0x89;
    r.family = "level";
    r.address = address;
    r.set(kLevel, level);
}

TEST(HttpFeed, SnapshotsFollowTheRegistry) {
    TransmitterRegistry registry(3, SilencePolicy::fixed(120));
    HttpFeed feed(registry);
    registry.addListener([&](const SilenceEvent& e) { feed.silence(e); });
    Reading r;  // reused, as the receiver does
    const auto decode = [&](std::int32_t address, int minute, double level) {
        fillLevelReading(r, address, minute, level);
        registry.reading(r);
        feed.reading(r);
    };
    feed.publish();
    // address, minute, level; after each step: the addresses held, 7's level and silence
    struct Step {
        std::int32_t address;
        int minute;
        double level;
        std::vector<std::int32_t> held;
        bool sevenSilent;
    };
    const Step steps[] = {
        {7, 0, 1.5, {7}, false},         {8, 1, 2.5, {7, 8}, false},
        {9, 1, 3.5, {7, 8, 9}, false},   {8, 4, 4.5, {7, 8, 9}, true},  // 7 unheard for more than 120 s
        {10, 5, 5.5, {8, 9, 10}, false},  // the registry is full: 7, heard longest ago, goes
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.address);
        decode(s.address, s.minute, s.level);
        registry.check(LocalTime{2026, 12, 9, 14, s.minute, 0, 0});
        feed.publish();
        const auto snap = feed.snapshot();
        std::vector<std::int32_t> held;
        for (const auto& v : snap->transmitters) held.push_back(v->summary.address);
        EXPECT_EQ(held, s.held);
        const TransmitterView* seven = snap->find(7);
        ASSERT_EQ(seven != nullptr, std::count(s.held.begin(), s.held.end(), 7) == 1);
        EXPECT_EQ(seven && seven->summary.silent, s.sevenSilent);
        const std::string metrics = metricsBody(*snap);
        EXPECT_EQ(metrics.find("address=\"7\"") != std::string::npos, seven != nullptr);
        const TransmitterView* last = snap->find(s.address);
        ASSERT_TRUE(last);
        ASSERT_EQ(last->fields.size(), 1u);
        EXPECT_EQ(std::get<double>(last->fields[0].value), s.level);
    }
    feed.repeatDropped(8, LocalTime{2026, 12, 9, 14, 5, 1, 0});
    registry.repeatDropped(8, LocalTime{2026, 12, 9, 14, 5, 1, 0});
    feed.publish();
    EXPECT_EQ(feed.snapshot()->find(8)->summary.repeats, 1u);
    EXPECT_EQ(feed.snapshot()->repeats, 1u);
    EXPECT_EQ(feed.snapshot()->frames, 6u);
    // The events in order: readings (r), silent (s) and back (b), with their addresses.
    std::vector<EventRing::Event> events;
    ASSERT_EQ(feed.events().take(0, 100, events, std::chrono::milliseconds(0)), EventRing::Take::Events);
    std::vector<std::string> kinds;
    for (const auto& e : events) {
        const char kind = e.json.find("\"event\":\"silent\"") != std::string::npos ? 's'
                          : e.json.find("\"event\":\"back\"") != std::string::npos ? 'b'
                                                                                   : 'r';
        const size_t at = e.json.find("\"address\":") + 10;
        kinds.push_back(kind + e.json.substr(at, e.json.find(',', at) - at));
        EXPECT_EQ(e.id, kinds.size());
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"r7", "r8", "r9", "s7", "s8", "s9", "b8", "r8", "r10"}));
}

TEST(HttpFeed, RingKeepsTheNewest) {
    EventRing ring(3);
    std::vector<EventRing::Event> got;
    EXPECT_EQ(ring.take(0, 10, got, std::chrono::milliseconds(0)), EventRing::Take::Timeout);
    for (int i = 1; i <= 5; ++i) ring.push("e" + std::to_string(i));
    struct Case {
        std::uint64_t after;
        std::size_t max;
        EventRing::Take take;
        std::vector<std::uint64_t> ids;
    };
    const Case cases[] = {
        {0, 10, EventRing::Take::Behind, {}},        {1, 10, EventRing::Take::Behind, {}},
        {2, 10, EventRing::Take::Events, {3, 4, 5}}, {3, 1, EventRing::Take::Events, {4}},
        {5, 10, EventRing::Take::Timeout, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        EXPECT_EQ(ring.take(c.after, c.max, got, std::chrono::milliseconds(0)), c.take);
        std::vector<std::uint64_t> ids;
        for (const auto& e : got) {
            ids.push_back(e.id);
            EXPECT_EQ(e.json, "e" + std::to_string(e.id));
        }
        EXPECT_EQ(ids, c.ids);
    }
    ring.close();
    EXPECT_EQ(ring.take(5, 10, got, std::chrono::milliseconds(1000)), EventRing::Take::Closed);
}

}  // namespace
}  // namespace ravo
