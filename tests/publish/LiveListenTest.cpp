// ravo-cli listen --mqtt on a pseudo-terminal, against a broker of the test's own:
// the last will when the program dies, and a broker restart in the middle of a
// live run.
#include <gtest/gtest.h>

#include <csignal>
#include <nlohmann/json.hpp>
#include <thread>
#include <unistd.h>

#include "publish/Broker.h"
#include "sim/Encoders.h"
#include "sim/Pty.h"

#ifdef RAVO_CLI

namespace ravo {
namespace {

using namespace std::chrono_literals;
using test::Heard;

// Whether the last message heard on `topic` was `value`.
auto lastIs(const std::string& topic, const std::string& value) {
    return [topic, value](const std::vector<Heard>& heard) {
        for (auto it = heard.rbegin(); it != heard.rend(); ++it)
            if (it->topic == topic) return it->payload == value;
        return false;
    };
}

struct Listen {
    sim::Pty pty;
    std::string log = ::testing::TempDir() + "listen-mqtt-" + std::to_string(getpid()) + ".log";
    pid_t pid;
    explicit Listen(int port) {
        std::remove(log.c_str());
        pid = test::spawn({RAVO_CLI, "listen", "--port", pty.devicePath(), "--band", "uhf", "--mqtt",
                           "mqtt://127.0.0.1:" + std::to_string(port) + "/live"},
                          log);
    }
    // A temperature frame of its own transmitter, so that no frame is a repeat.
    void send(int n) {
        pty.write(sim::binaryFrame(sim::makeBody(0x82, 20000 + static_cast<std::uint32_t>(n), 0x13, {0, 0x2B, 0, 0x29})));
    }
};

TEST(MqttListen, LastWillWhenKilled) {
    if (test::mosquittoProgram().empty()) GTEST_SKIP() << "mosquitto is not installed";
    test::Broker broker;
    ASSERT_TRUE(broker.start());
    test::Subscriber sub(broker.port(), "live/status");
    ASSERT_TRUE(sub.ok());
    Listen listen(broker.port());
    ASSERT_GT(listen.pid, 0);
    ASSERT_TRUE(sub.waitFor(lastIs("live/status", "online")));
    kill(listen.pid, SIGKILL);
    test::waitExit(listen.pid, 5s);
    EXPECT_TRUE(sub.waitFor(lastIs("live/status", "offline")));
    test::Subscriber late(broker.port(), "live/status");
    ASSERT_TRUE(late.waitFor(lastIs("live/status", "offline")));
    EXPECT_TRUE(late.on("live/status").back().retained);
}

TEST(MqttListen, BrokerRestartLosesNothingAndKeepsOrder) {
    if (test::mosquittoProgram().empty()) GTEST_SKIP() << "mosquitto is not installed";
    // The broker keeps the subscriber's session across its restart, so that what
    // the subscriber hears depends on the program alone, not on who reconnects first.
    test::Broker broker(/*persistent=*/true);
    ASSERT_TRUE(broker.start());
    test::Subscriber sub(broker.port(), "live/#", "ravo-test-subscriber");
    ASSERT_TRUE(sub.ok());
    Listen listen(broker.port());
    ASSERT_GT(listen.pid, 0);
    ASSERT_TRUE(sub.waitFor(lastIs("live/status", "online")));

    constexpr int kFrames = 300;
    size_t heardBefore = 0;
    for (int n = 0; n < kFrames; ++n) {
        if (n == kFrames / 3) {
            // The program loses the broker mid-stream; frames keep coming meanwhile.
            heardBefore = sub.on("live/readings").size();
            broker.stop();
            ASSERT_TRUE(broker.start());
        }
        listen.send(n);
        std::this_thread::sleep_for(5ms);
    }
    auto firstHeard = [](const std::vector<Heard>& heard) {
        std::vector<int> seen;  // each transmitter once, in the order first heard
        for (const Heard& h : heard) {
            if (h.topic != "live/readings") continue;
            const int a = nlohmann::json::parse(h.payload).at("address").get<int>() - 20000;
            if (std::find(seen.begin(), seen.end(), a) == seen.end()) seen.push_back(a);
        }
        return seen;
    };
    sub.waitFor([&](const std::vector<Heard>& h) { return firstHeard(h).size() >= kFrames; }, 20s);
    std::vector<int> expected(kFrames);
    for (int n = 0; n < kFrames; ++n) expected[static_cast<size_t>(n)] = n;
    const std::vector<int> got = firstHeard(sub.heard());
    EXPECT_EQ(got, expected) << got.size() << " of " << kFrames << " heard";
    EXPECT_GT(heardBefore, 0u);
    EXPECT_LT(heardBefore, static_cast<size_t>(kFrames));

    kill(listen.pid, SIGTERM);
    EXPECT_EQ(test::waitExit(listen.pid, 10s), 0);
    EXPECT_TRUE(sub.waitFor(lastIs("live/status", "offline")));
}

}  // namespace
}  // namespace ravo

#endif
