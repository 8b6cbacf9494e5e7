// A writer killed with SIGKILL in the middle of its batches: `ravo-cli decode
// --history` on input that arrives slowly loses at most the readings of the last
// second, and leaves a file that reads and checks whole.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "TestSupport.h"
#include "history/HistoryQuery.h"

#ifdef RAVO_CLI

namespace ravo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string hex(const std::string& bytes) {
    std::string out;
    char two[3];
    for (unsigned char b : bytes) {
        std::snprintf(two, sizeof two, "%02X", b);
        out += two;
    }
    return out;
}

TEST(HistoryKill, AKilledWriterLosesAtMostTheLastSecond) {
    char name[] = "/tmp/ravo-history-kill-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const fs::path dir = name;
    const std::string store = (dir / "h.sqlite").string();
    int input[2];
    ASSERT_EQ(pipe(input), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(input[0], 0);
        close(input[1]);
        std::freopen("/dev/null", "w", stdout);
        execl(RAVO_CLI, RAVO_CLI, "decode", "--history", store.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    std::FILE* to = fdopen(input[1], "w");
    ASSERT_NE(to, nullptr);
    // A temperature reading every 20 ms, ten seconds apart on the capture's clock.
    const std::string frame = hex(test::withCrc(test::bytes({0x82, 0x00, 0x04, 0xD2, 0x01, 0x00, 0x28, 0x00, 0x00})));
    std::fprintf(to, "@2026-12-07 12:00:00\n");
    std::vector<Clock::time_point> sent;
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < std::chrono::milliseconds(2600)) {
        std::fprintf(to, "+10\n%s\n", frame.c_str());
        std::fflush(to);
        sent.push_back(Clock::now());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const Clock::time_point killed = Clock::now();
    ASSERT_EQ(kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::fclose(to);

    std::size_t older = 0;  // sent more than a second before the kill
    for (const Clock::time_point t : sent)
        if (killed - t > std::chrono::seconds(1)) ++older;
    HistoryReader reader;
    std::string error;
    ASSERT_TRUE(reader.open(store, error)) << error;
    std::vector<TransmitterHistory> all;
    ASSERT_TRUE(reader.transmitters(all, error)) << error;
    ASSERT_EQ(all.size(), 1u);
    EXPECT_GE(all[0].readings, older);
    EXPECT_LE(all[0].readings, sent.size());
    SqliteDb db;
    ASSERT_TRUE(db.open(store, true, false, error)) << error;
    SqliteStatement check;
    ASSERT_TRUE(check.prepare(db, "PRAGMA integrity_check", error)) << error;
    ASSERT_EQ(check.step(), SQLITE_ROW);
    EXPECT_EQ(check.text(0), "ok");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ravo

#endif
