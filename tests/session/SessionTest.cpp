// The session: outputs opened at start with a clear reason when one cannot be had,
// files reopened on SIGHUP without losing a line, silence told to the JSON lines.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "session/Session.h"

namespace ravo {
namespace {

namespace fs = std::filesystem;

// A temperature reading of transmitter 1234, 20 degrees.
const std::string kFrame = test::withCrc(test::bytes({0x82, 0x00, 0x04, 0xD2, 0x01, 0x00, 0x28, 0x00, 0x00}));

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/ravo-session-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { fs::remove_all(dir); }

    SessionOptions quiet() const {
        SessionOptions o;
        o.program = "ravo-test";
        o.screen = ScreenOptions{};
        return o;
    }
    void decode(Session& s, const LocalTime& t) {
        clock.set(t);
        s.receiver().receive(kFrame);
        s.beginDecoding();
        drainReceiveBuffer(s.receiver(), t);
        s.endDecoding();
        s.afterTick();
    }

    fs::path dir;
    SettableClock clock{LocalTime{2026, 12, 10, 8, 0, 0, 0}};
};

TEST_F(SessionTest, StartTellsWhyAnOutputCannotBeHad) {
    const std::string missing = (dir / "no-such-folder" / "file").string();
    struct Case {
        const char* what;
        void (*set)(SessionOptions&, const std::string&);
        std::string expected;
    };
    const Case cases[] = {
        {"echo", [](SessionOptions& o, const std::string& p) { o.echoPath = p; }, "cannot write " + missing},
        {"json file", [](SessionOptions& o, const std::string& p) { o.jsonFilePath = p; }, "cannot write " + missing},
        {"summary file", [](SessionOptions& o, const std::string& p) { o.summaryFile = p; }, missing},
        {"recording", [](SessionOptions& o, const std::string& p) { o.recorder = true, o.recordPath = p; }, missing},
        {"box", [](SessionOptions& o, const std::string&) { o.screen->sets.emplace_back("nope", "1"); },
         "--set: no text box named 'nope'"},
        {"broker", [](SessionOptions& o, const std::string&) { o.mqtt.url = "http://127.0.0.1"; }, "mqtt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SessionOptions o = quiet();
        c.set(o, missing);
        Session s(clock, o);
        std::string error;
        EXPECT_FALSE(s.start(error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
}

TEST_F(SessionTest, ReopenedFilesLoseNoLine) {
    SessionOptions o = quiet();
    o.echoPath = (dir / "echo.txt").string();
    o.jsonFilePath = (dir / "readings.jsonl").string();
    o.recorder = true;
    o.recordPath = (dir / "capture.txt").string();
    Session s(clock, o);
    std::string error;
    ASSERT_TRUE(s.start(error)) << error;

    decode(s, LocalTime{2026, 12, 10, 8, 0, 1, 0});
    s.everySecond();
    for (const char* name : {"echo.txt", "readings.jsonl", "capture.txt"})
        fs::rename(dir / name, dir / (std::string(name) + ".1"));
    s.reopenOutputs();
    decode(s, LocalTime{2026, 12, 10, 8, 0, 5, 0});
    ASSERT_TRUE(s.stop(error)) << error;

    // Each file holds what came before the move, its new namesake what came after.
    EXPECT_EQ(count(slurp(dir / "readings.jsonl.1"), "\"address\":1234"), 1);
    EXPECT_EQ(count(slurp(dir / "readings.jsonl"), "\"address\":1234"), 1);
    EXPECT_EQ(count(slurp(dir / "echo.txt.1"), "82"), count(slurp(dir / "echo.txt"), "82"));
    EXPECT_FALSE(slurp(dir / "echo.txt").empty());
    EXPECT_NE(slurp(dir / "capture.txt.1").find("@2026-12-10 08:00:01"), std::string::npos);
    EXPECT_NE(slurp(dir / "capture.txt").find("@2026-12-10 08:00:05"), std::string::npos);
}

TEST_F(SessionTest, SilenceGoesToTheJsonLines) {
    SessionOptions o = quiet();
    o.jsonFilePath = (dir / "readings.jsonl").string();
    o.silence = SilencePolicy::parse("60");
    Session s(clock, o);
    std::string error;
    ASSERT_TRUE(s.start(error)) << error;
    decode(s, LocalTime{2026, 12, 10, 8, 0, 1, 0});
    clock.set(LocalTime{2026, 12, 10, 8, 5, 0, 0});
    s.everySecond();
    ASSERT_TRUE(s.stop(error)) << error;
    const std::string lines = slurp(dir / "readings.jsonl");
    EXPECT_EQ(count(lines, "\"event\":\"silent\""), 1) << lines;
}

}  // namespace
}  // namespace ravo
