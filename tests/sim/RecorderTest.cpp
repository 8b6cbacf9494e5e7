#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "sim/Capture.h"
#include "sim/LiveRun.h"
#include "sim/Recorder.h"

namespace ravo {
namespace {

std::string tempPath(const char* name) { return ::testing::TempDir() + name; }

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A receiver on the recorder's clock, logging into an in-memory /logs/, keeping
// everything it shows: what ravo-cli would print and write.
struct Recorded {
    SettableClock source{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    Recorder recorder;
    test::MemoryFileSystem fs;
    Receiver rx{source.now(), fs, ReceiverSettings{"/logs/", '.'}};
    std::string out;

    Recorded() {
        rx.setLogging(true, rx.screen().text(Field::txtfilepath));
        rx.observeScreen([this](const ModelChange& c) {
            if (c.kind == ModelChange::Kind::Message) out.append(c.text).append("\n");
            if (c.kind == ModelChange::Kind::MonitorAppend) out.append("|").append(c.text);
        });
        rx.observeErrors(nullptr, false);
        recorder.attach(rx);
    }
    void cycle() {
        recorder.beginDecoding();
        rx.pollCycle(source.now());
        recorder.endDecoding();
    }
};

// The same outputs from a replay of the recording.
void replayInto(const std::string& path, test::MemoryFileSystem& fs, std::string& out) {
    ReplayClock clock;
    Receiver rx(clock.now(), fs, ReceiverSettings{"/logs/", '.'});
    rx.setLogging(true, rx.screen().text(Field::txtfilepath));
    rx.observeScreen([&](const ModelChange& c) {
        if (c.kind == ModelChange::Kind::Message) out.append(c.text).append("\n");
        if (c.kind == ModelChange::Kind::MonitorAppend) out.append("|").append(c.text);
    });
    std::ifstream in(path, std::ios::binary);
    ASSERT_FALSE(replayCapture(in, rx, clock));
}

const std::string kPulse = test::frame({0x82, 0x00, 0x04, 0xD2, 0x10, 0x00, 0x00, 0x00, 0x05});
const std::string kPulse2 = test::frame({0x82, 0x00, 0x04, 0xD3, 0x10, 0x00, 0x00, 0x00, 0x07});

TEST(Recorder, ItemsOfOneEventKeepTheTimeTheirDecodeRead) {
    struct Case {
        std::string first, second;  // two items that arrive in one receive event
        bool cut;                   // the event can be cut between them
    } cases[] = {
        {kPulse, kPulse2, true},
        {kPulse + "\xFF\xFF", kPulse2 + "\xFF\xFF", true},
        // The ETX of an STX item stays in front: cut there, the item would wait for it.
        {test::stxWrapped(kPulse + '\0'), kPulse2, false},
        // An "Rtl" anywhere claims the buffer: the recorder does not cut in front of one.
        {"Rtl 820004D2100000000500\r", "Rtl 820004D3100000000700\r", false},
    };
    for (const Case& c : cases) {
        Recorded r;
        const std::string path = tempPath("stamp.txt");
        std::string error;
        ASSERT_TRUE(r.recorder.start(path, "", false, error)) << error;
        r.source.set({2026, 12, 7, 12, 0, 0, 990});
        r.rx.receive(c.first + c.second);
        r.cycle();  // the first item at 12:00:00.990
        r.source.set({2026, 12, 7, 12, 0, 1, 0});
        r.cycle();  // the rest ticks later, in the next second
        r.cycle();
        r.recorder.stop();
        const std::string want = "@2026-12-07 12:00:00.990\n" + capture::hexLine(c.first) +
                                 "\n@2026-12-07 12:00:01.000\n" + capture::hexLine(c.second) + "\n";
        if (c.cut) {
            EXPECT_EQ(slurp(path), want);
        }
        EXPECT_EQ(r.recorder.stats().secondMismatches, c.cut ? 0u : 1u) << capture::hexLine(c.first);

        test::MemoryFileSystem fs;
        std::string out;
        replayInto(path, fs, out);
        EXPECT_EQ(out == r.out && fs.files == r.fs.files, c.cut) << capture::hexLine(c.first);
    }
}

TEST(Recorder, AnActionBetweenTwoItemsOfOneEventStaysBetweenThem) {
    Recorded r;
    const std::string path = tempPath("action.txt");
    std::string error;
    ASSERT_TRUE(r.recorder.start(path, "", false, error));
    r.rx.receive(kPulse + kPulse2);
    r.cycle();
    r.rx.type({Field::txtaddfilter, 0}, "1235");  // the second frame's address: only it is shown
    r.cycle();
    r.recorder.stop();
    test::MemoryFileSystem fs;
    std::string out;
    replayInto(path, fs, out);
    EXPECT_EQ(out, r.out);
    EXPECT_NE(slurp(path).find("!set txtaddfilter 1235\n"), std::string::npos);
}

// The ETX an STX item leaves in front, with a text line behind it that arrived
// before the next cycle: live, one call drops the ETX and the line up to its 0xFF
// pair. The recording keeps them in one event, so the replay drops them too.
TEST(Recorder, TheEtxLeftInFrontStaysWithWhatArrivedBehindIt) {
    std::string hex;
    for (const unsigned char b : kPulse2) {
        static const char* digits = "0123456789ABCDEF";
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    Recorded r;
    const std::string path = tempPath("etx.txt");
    std::string error;
    ASSERT_TRUE(r.recorder.start(path, "", false, error));
    r.rx.receive(test::stxWrapped(kPulse + '\0'));
    r.cycle();  // the STX item; its ETX stays in front
    r.rx.receive(hex + "\r\n\xFF\xFF");
    r.cycle();
    r.cycle();
    r.recorder.stop();
    test::MemoryFileSystem fs;
    std::string out;
    replayInto(path, fs, out);
    EXPECT_EQ(out, r.out);
    EXPECT_EQ(fs.files, r.fs.files);
}

// Lines of one output that the other lacks (counted with repeats).
size_t missingLines(const std::string& a, const std::string& b) {
    std::multiset<std::string> lines;
    std::istringstream in(b);
    for (std::string l; std::getline(in, l);) lines.insert(l);
    size_t missing = 0;
    std::istringstream other(a);
    for (std::string l; std::getline(other, l);) {
        const auto it = lines.find(l);
        if (it == lines.end()) ++missing;
        else lines.erase(it);
    }
    return missing;
}

// A simulated live run, recorded and replayed. Binary frames replay exactly,
// bursts included. With text and "Rtl" lines a few items differ (a line that
// arrives behind whole items can sweep them away live, and the replay decodes
// them before it arrives); the recorder counts every place where that can happen.
TEST(Recorder, ReplayOfALiveRunGivesItsOutput) {
    const double minutes = std::getenv("RAVO_LIVE_MINUTES") ? std::atof(std::getenv("RAVO_LIVE_MINUTES")) : 10;
    struct Case {
        sim::Forms forms;
        double burstRate;
        bool exact;
    } cases[] = {{sim::Forms::Binary, 20, true}, {sim::Forms::Mixed, 0, false}, {sim::Forms::Mixed, 20, false}};
    for (const Case& c : cases) {
        Recorded r;
        const std::string path = tempPath("live.txt");
        std::string error;
        ASSERT_TRUE(r.recorder.start(path, "simulated", false, error));
        sim::Simulator traffic(true, 3, c.forms);
        runLive(r.rx, r.source, &r.recorder, traffic, {minutes * 60, 2, c.burstRate, 60, 9600, 7, 3});
        r.recorder.stop();
        const Recorder::Stats& s = r.recorder.stats();
        test::MemoryFileSystem fs;
        std::string out;
        replayInto(path, fs, out);
        const size_t lines = static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n'));
        std::printf(
            "%s burst %g: %zu lines, %zu differ; events %llu cuts %llu unsafe %llu second-mismatches %llu "
            "late-actions %llu late-items %llu timed-give-ups %llu\n",
            c.forms == sim::Forms::Mixed ? "mixed" : "binary", c.burstRate, lines,
            missingLines(r.out, out) + missingLines(out, r.out), (unsigned long long)s.events,
            (unsigned long long)s.cuts, (unsigned long long)s.unsafeCuts, (unsigned long long)s.secondMismatches,
            (unsigned long long)s.lateActions, (unsigned long long)s.lateItems, (unsigned long long)s.timedGiveUps);
        EXPECT_GT(lines, 1000u);
        if (c.exact) {
            EXPECT_EQ(out, r.out);
            EXPECT_EQ(fs.files, r.fs.files);
        } else {
            // Every difference sits where the recorder saw one could arise.
            EXPECT_LE(missingLines(r.out, out),
                      2 * (s.secondMismatches + s.lateActions + s.lateItems + s.timedGiveUps));
        }
    }
}

}  // namespace
}  // namespace ravo
