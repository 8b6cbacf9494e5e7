// The transmitter registry fed by a receiver replaying captures: counts over both
// bands with repeats and bad frames, silence and return on the capture's clock,
// the bound on addresses, and the bounded window of the median interval.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>

#include "TestSupport.h"
#include "readings/IsoTime.h"
#include "registry/RegistryCsv.h"
#include "registry/RegistryJson.h"
#include "registry/TransmitterRegistry.h"
#include "sim/Capture.h"

namespace ravo {
namespace {

using test::frame;

std::string hex(const std::string& bytes) { return capture::hexLine(bytes); }
// A temperature (0x82, either band) and a humidity frame (0x83, UHF only) of an address.
std::string temperature(int address) {
    return hex(frame({0x82, 0x00, address >> 8, address & 0xFF, 0x03, 0x00, 0x2B, 0x00, 0x70}));
}
std::string humidity(int address) {
    return hex(frame({0x83, 0x00, address >> 8, address & 0xFF, 0x83, 0x06, 0xA4, 0x17, 0x70}));
}

// Replays `capture` with the registry registered, checking silence after every
// record as ravo-cli decode does; the events as texts.
struct Replayed {
    ReplayClock clock;
    test::MemoryFileSystem fs;
    Receiver rx{clock.now(), fs, ReceiverSettings{"/logs/", '.'}};
    TransmitterRegistry registry;
    std::vector<std::string> events;

    Replayed(const std::string& capture, SilencePolicy policy, std::size_t capacity = 100)
        : registry(capacity, policy) {
        rx.addReadingSink(&registry);
        registry.addListener([this](const SilenceEvent& e) {
            events.push_back(std::string(e.kind == SilenceEvent::Kind::Silent ? "silent " : "back ") +
                             std::to_string(e.address) + " " + e.family + " last " + civilTime(e.lastHeard) + " at " +
                             civilTime(e.time));
        });
        std::istringstream in(capture);
        const auto bad = replayCapture(in, rx, clock, [this] { registry.check(clock.now()); });
        EXPECT_FALSE(bad) << bad->reason;
        registry.check(clock.now());
    }
};

TEST(Registry, CountsReadingsAndRepeatsOnBothBands) {
    const std::string capture =
        "@2026-12-09 14:00:00\n" + temperature(1234) + "\n" + "+2\n" + temperature(1234) + "\n" +  // a repeat: dropped
        "+1\n" + temperature(1234) + "\n" +                                                        // another, 3 s after
        "+7\n" + temperature(1234) + "\n" +                                                        // 10 s: decoded
        "82 00 09 99 03 00 2B 00 70 00 00\n" +  // CRC wrong: a bad frame
        humidity(77) + "\n" +                   // UHF only: bad on VHF
        "!click optuhf\n+20\n" + humidity(77) + "\n" + "+20\n" + temperature(1234) + "\n" + humidity(77) + "\n";
    Replayed r(capture, SilencePolicy::off());
    ASSERT_EQ(r.registry.size(), 2u);
    const auto t = r.registry.find(1234);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->family, "temperature");
    EXPECT_EQ(t->readings, 3u);
    EXPECT_EQ(t->repeats, 2u);
    EXPECT_EQ(civilTime(t->firstHeard), "2026-12-09 14:00:00");
    EXPECT_EQ(civilTime(t->lastHeard), "2026-12-09 14:00:50");
    EXPECT_EQ(t->medianIntervalS, 25.0);  // intervals 10 and 40
    const auto h = r.registry.find(77);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->family, "humidity");
    EXPECT_EQ(h->readings, 2u);
    EXPECT_EQ(h->repeats, 0u);
    EXPECT_EQ(h->medianIntervalS, 20.0);
    EXPECT_EQ(summaryCsv(r.registry),
              "address,family,readings,repeats,first_heard,last_heard,median_interval_s,s_level_last,s_level_min,"
              "s_level_max,battery_low,firmware,silent\n"
              "77,humidity,2,0,2026-12-09 14:00:30,2026-12-09 14:00:50,20,,,,1,3,\n"
              "1234,temperature,3,2,2026-12-09 14:00:00,2026-12-09 14:00:50,25,7,7,7,0,3,\n");
}

TEST(Registry, SilenceAndReturnOnTheCaptureClock) {
    // 1234 every 10 s three times, then quiet for 60 s; 77 heard once.
    const std::string capture = "@2026-12-09 14:00:00\n" + temperature(1234) + "\n" + temperature(77) + "\n" + "+10\n" +
                                temperature(1234) + "\n+10\n" + temperature(1234) + "\n" + "+25\n+5\n+1\n+29\n" +
                                temperature(1234) + "\n";
    struct Case {
        SilencePolicy policy;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {SilencePolicy::fixed(30),
         {"silent 77 temperature last 2026-12-09 14:00:00 at 2026-12-09 14:00:45",
          "silent 1234 temperature last 2026-12-09 14:00:20 at 2026-12-09 14:00:51",
          "back 1234 temperature last 2026-12-09 14:01:20 at 2026-12-09 14:01:20"}},
        // Three times the median of 10 s; 77 has too few readings to judge.
        {SilencePolicy::automatic(),
         {"silent 1234 temperature last 2026-12-09 14:00:20 at 2026-12-09 14:00:51",
          "back 1234 temperature last 2026-12-09 14:01:20 at 2026-12-09 14:01:20"}},
        {SilencePolicy::off(), {}},
    };
    for (const Case& c : cases) {
        Replayed r(capture, c.policy);
        EXPECT_EQ(r.events, c.events) << c.policy.text();
        EXPECT_EQ(r.registry.silentCount(), c.policy.mode == SilencePolicy::Mode::Fixed ? 1u : 0u);
    }
}

Reading reading(std::int32_t address, int second, std::optional<double> sLevel = {}) {
    Reading r;
    r.address = address;
    r.family = "temperature";
    r.time = LocalTime{2026, 12, 9, 14 + second / 3600, second / 60 % 60, second % 60, 0};
    r.sLevel = sLevel;
    return r;
}

// Auto silence chosen after the readings (the window's box): the medians are
// worked out then, from the intervals kept meanwhile.
TEST(Registry, AutoSilenceChosenLater) {
    TransmitterRegistry registry(10, SilencePolicy::off());
    std::vector<std::string> silent;
    registry.addListener([&](const SilenceEvent& e) { silent.push_back(civilTime(e.time)); });
    for (int t : {0, 10, 20, 30}) registry.reading(reading(5, t));
    registry.setPolicy(SilencePolicy::automatic());
    registry.check(LocalTime{2026, 12, 9, 14, 0, 59, 0});
    EXPECT_TRUE(silent.empty());
    registry.check(LocalTime{2026, 12, 9, 14, 1, 1, 0});
    EXPECT_EQ(silent, (std::vector<std::string>{"2026-12-09 14:01:01"}));
}

TEST(Registry, ForgetsTheTransmitterHeardLongestAgo) {
    TransmitterRegistry registry(3, SilencePolicy::fixed(100));
    std::vector<std::int32_t> silent;
    registry.addListener([&](const SilenceEvent& e) { silent.push_back(e.address); });
    int t = 0;
    for (int a : {1, 2, 3, 1, 4}) registry.reading(reading(a, t += 10));
    EXPECT_EQ(registry.size(), 3u);
    EXPECT_EQ(registry.forgotten(), 1u);
    EXPECT_FALSE(registry.find(2));
    EXPECT_EQ(registry.find(1)->readings, 2u);
    registry.repeatDropped(2, LocalTime{});  // forgotten: nothing to count it on
    registry.check(LocalTime{2026, 12, 9, 15, 0, 0, 0});
    EXPECT_EQ(silent, (std::vector<std::int32_t>{3, 1, 4}));  // in order of their deadlines; 2 not at all
}

// Against a plain model that scans every transmitter: silent once quiet for more
// than 30 s, the silences of one check in the order they began, back when heard,
// the one heard longest ago forgotten beyond 20 addresses.
TEST(Registry, SilenceAgreesWithAFullScan) {
    constexpr std::int64_t kQuiet = 30000;
    TransmitterRegistry registry(20, SilencePolicy::fixed(30));
    std::vector<std::string> got, want;
    registry.addListener([&](const SilenceEvent& e) {
        got.push_back((e.kind == SilenceEvent::Kind::Silent ? "silent " : "back ") + std::to_string(e.address) + " " +
                      civilTime(e.time));
    });
    struct Known {
        std::int64_t last;
        std::uint64_t order;
        bool silent;
    };
    std::map<std::int32_t, Known> model;
    std::uint64_t order = 0;
    auto modelCheck = [&](std::int64_t now, const LocalTime& t) {
        std::vector<std::pair<std::int64_t, std::int32_t>> due;
        for (auto& [a, k] : model)
            if (!k.silent && k.last + kQuiet < now) due.emplace_back(k.last + kQuiet, a);
        std::sort(due.begin(), due.end());
        for (auto [d, a] : due) {
            model[a].silent = true;
            want.push_back("silent " + std::to_string(a) + " " + civilTime(t));
        }
    };
    std::mt19937 random(11);
    int second = 0;
    for (int step = 0; step < 5000; ++step) {
        second += static_cast<int>(random() % 9);
        const LocalTime t{2026, 12, 9 + second / 86400, second / 3600 % 24, second / 60 % 60, second % 60, 0};
        const std::int64_t now = wallMillis(t);
        modelCheck(now, t);
        if (random() % 5 == 0) {
            registry.check(t);
            continue;
        }
        const auto a = static_cast<std::int32_t>(random() % 40);
        if (!model.count(a) && model.size() >= 20)
            model.erase(std::min_element(model.begin(), model.end(), [](auto& x, auto& y) {
                            return x.second.order < y.second.order;
                        })->first);
        Known& k = model[a];
        if (k.silent) want.push_back("back " + std::to_string(a) + " " + civilTime(t));
        k = {now, ++order, false};
        Reading r;
        r.address = a;
        r.family = "alarm";
        r.time = t;
        registry.reading(r);
    }
    EXPECT_EQ(registry.size(), model.size());
    EXPECT_GT(registry.forgotten(), 100u);
    EXPECT_GT(want.size(), 100u);
    ASSERT_EQ(got, want);
}

TEST(Registry, MedianOverTheLastIntervalsAndSignalLevels) {
    TransmitterRegistry registry;
    int t = 0;
    registry.reading(reading(5, t, 7.0));
    auto heardEvery = [&](int seconds, std::size_t times) {
        for (std::size_t i = 0; i < times; ++i) registry.reading(reading(5, t += seconds, 3.0));
    };
    // A full window of 100 s, then the short intervals push the long ones out one by one.
    heardEvery(100, TransmitterRegistry::kIntervalWindow);
    EXPECT_EQ(registry.find(5)->medianIntervalS, 100.0);
    heardEvery(2, TransmitterRegistry::kIntervalWindow / 2);
    EXPECT_EQ(registry.find(5)->medianIntervalS, 51.0);  // half and half
    heardEvery(2, 1);
    EXPECT_EQ(registry.find(5)->medianIntervalS, 2.0);
    registry.reading(reading(5, t += 1, 11.0));
    const TransmitterSummary s = *registry.find(5);
    EXPECT_EQ(s.medianIntervalS, 2.0);
    EXPECT_EQ(s.sLevel, 11.0);
    EXPECT_EQ(s.sLevelMin, 3.0);
    EXPECT_EQ(s.sLevelMax, 11.0);
    EXPECT_EQ(s.readings, 3 + TransmitterRegistry::kIntervalWindow * 3 / 2);
}

TEST(Registry, EventsAndTransmittersAsJson) {
    const LocalTime last{2026, 12, 9, 14, 5, 9, 0}, now{2026, 12, 9, 14, 7, 0, 0};
    EXPECT_EQ(silenceEventJson({SilenceEvent::Kind::Back, 1234, "temperature", last, now}).dump(),
              R"({"event":"back","time":")" + isoTime(now) +
                  R"(","address":1234,"family":"temperature","last_heard":")" + isoTime(last) + R"("})");
    TransmitterRegistry registry;
    Reading r = reading(7, 0, 4.0);
    r.batteryLow = true;
    r.line = "T\xB0";
    registry.reading(r);
    const auto j = transmitterJson(*registry.find(7));
    EXPECT_EQ(j.begin().key(), "event");
    EXPECT_EQ(j["event"], "transmitter");
    EXPECT_EQ(j["s_level_max"], 4.0);
    EXPECT_EQ(j["battery_low"], true);
    EXPECT_TRUE(j["median_interval_s"].is_null());
    EXPECT_TRUE(j["firmware"].is_null());
    EXPECT_EQ(j["line"], "T\u00b0");  // an 8-bit monitor line as UTF-8
}

TEST(Registry, SilenceTimeTexts) {
    EXPECT_EQ(SilencePolicy::parse("auto"), SilencePolicy::automatic());
    EXPECT_EQ(SilencePolicy::parse("90"), SilencePolicy::fixed(90));
    EXPECT_EQ(SilencePolicy::parse("2.5"), SilencePolicy::fixed(2.5));
    for (const char* bad : {"", "0", "-5", "5s", "nan", "inf"}) EXPECT_FALSE(SilencePolicy::parse(bad)) << bad;
}

}  // namespace
}  // namespace ravo
