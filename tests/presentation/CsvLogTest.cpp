#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "presentation/CsvLog.h"

namespace ravo {
namespace {

const char* kTempHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2\r\n";
const char* kPulseHeader = "Time,Tx. No.,Status,S Level,Value 1,Value 2,Serial no.\r\n";

struct CsvLogTest : ::testing::Test {
    test::Rig rig;
    std::int32_t address = 1234;
    int status = 0x93;
    void SetUp() override {
        rig.enableLogging();
        rig.rx.setTime(rig.clock.now());
    }
    LogBacklog backlog;
    LogFiles files() { return {rig.screen(), rig.fs, rig.rx, backlog}; }
    void logTemp(const std::string& slevel, const std::string& value1, const std::string& value2) {
        logReading(files(), {rig.state().time, address, status, slevel, value1, value2});
    }
    void logPulse(const std::string& slevel, const std::string& value1, const std::string& value2,
                  const std::string& serial) {
        logReadingWithSerial(files(), {rig.state().time, address, status, slevel, value1, value2}, serial);
    }
};

TEST_F(CsvLogTest, HeaderOnANewFileThenRows) {
    logTemp("", " 21.5", " 20.5");
    logTemp(" 3", " 1", "");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              std::string(kTempHeader) + "12:00:00, 1234,93h,, 21.5, 20.5\r\n12:00:00, 1234,93h, 3, 1,\r\n");
}

TEST_F(CsvLogTest, PulseLogHasTheSerialColumnAndItsOwnPrefix) {
    rig.rx.type({Field::txtpulsefilename}, "pul");
    status = 0x05;
    address = 7;
    logPulse("", " 345", "", "");
    EXPECT_EQ(rig.file("pul07122026.csv"), std::string(kPulseHeader) + "12:00:00, 7,05h,, 345,,\r\n");
}

TEST_F(CsvLogTest, SeparateFilesPerTransmitterShareOneFile) {
    rig.rx.click("optsepfiles");
    logTemp("", "a", "b");
    logPulse("", "c", "d", "e");
    EXPECT_EQ(rig.file("Tx1234_07122026.csv"),
              std::string(kTempHeader) + "12:00:00, 1234,93h,,a,b\r\n12:00:00, 1234,93h,,c,d,e\r\n");
}

TEST_F(CsvLogTest, EmptyPrefixWritesNothingEvenInSeparateMode) {
    rig.rx.click("optsepfiles");
    rig.rx.type({Field::txttempfilename}, "");
    logTemp("", "a", "b");
    EXPECT_TRUE(rig.fs.files.empty());
}

TEST_F(CsvLogTest, DisabledOrMissingFolderWritesNothing) {
    rig.rx.click("chklogen");  // untick
    logTemp("", "a", "b");
    rig.rx.click("chklogen");
    rig.rx.type({Field::txtfilepath}, "/nowhere/");
    logTemp("", "a", "b");
    EXPECT_TRUE(rig.fs.files.empty());
    EXPECT_TRUE(rig.rx.pendingErrors().empty());
}

TEST_F(CsvLogTest, FolderTextIsAPlainPrefix) {
    rig.fs.folders.insert("/logs");
    rig.fs.folders.insert("/");
    rig.rx.type({Field::txtfilepath}, "/logs");
    logTemp("", "a", "b");
    EXPECT_EQ(rig.fs.files.count("/logsravo07122026.csv"), 1u);
}

TEST_F(CsvLogTest, ANewDayStartsANewFile) {
    logTemp("", "a", "b");
    rig.clock.set(LocalTime{2026, 12, 8, 0, 0, 1, 0});
    rig.rx.setTime(rig.clock.now());
    logTemp("", "c", "d");
    EXPECT_EQ(rig.file("ravo08122026.csv"), std::string(kTempHeader) + "00:00:01, 1234,93h,,c,d\r\n");
}

TEST_F(CsvLogTest, AnExistingEmptyFileGetsNoHeader) {
    rig.fs.files["/logs/ravo07122026.csv"] = "";
    logTemp("", "a", "b");
    EXPECT_EQ(rig.file("ravo07122026.csv"), "12:00:00, 1234,93h,,a,b\r\n");
}

TEST_F(CsvLogTest, DeniedAccessRaisesTheMessageAndTheRowWaitsForTheNextReading) {
    rig.fs.files["/logs/ravo07122026.csv"] = kTempHeader;
    rig.fs.denied.insert("/logs/ravo07122026.csv");
    logTemp("", "held", "");
    ASSERT_EQ(rig.rx.pendingErrors().size(), 1u);
    EXPECT_EQ(rig.rx.pendingErrors().front(), "Log file inaccessible! Close file to resume logging.");
    EXPECT_EQ(backlog.waiting(), 1u);
    rig.fs.denied.clear();
    logTemp("", "next", "");
    EXPECT_EQ(rig.file("ravo07122026.csv"),
              std::string(kTempHeader) + "12:00:00, 1234,93h,,held,\r\n12:00:00, 1234,93h,,next,\r\n");
    EXPECT_EQ(rig.rx.pendingErrors().size(), 1u);
    EXPECT_EQ(backlog.waiting(), 0u);
}

TEST_F(CsvLogTest, OtherFailuresAreSilent) {
    rig.fs.failing.insert("/logs/ravo07122026.csv");
    logTemp("", "a", "b");
    EXPECT_TRUE(rig.rx.pendingErrors().empty());
    EXPECT_EQ(backlog.waiting(), 0u);  // lost, as before: only a denied file holds rows back
}

// A held file: its rows wait in order and go in before any newer row, whether the
// next reading or the periodic retry finds it free; one message per episode.
TEST_F(CsvLogTest, HeldRowsGoInFirstInOrderOnceTheFileIsFree) {
    const std::string path = "/logs/ravo07122026.csv";
    std::vector<std::pair<std::string, std::uint64_t>> told;
    backlog.writableAgain = [&](const std::string& p, std::uint64_t n) { told.emplace_back(p, n); };
    struct Case {
        const char* name;
        bool byNextReading;  // else by the periodic retry
    };
    for (const Case c : {Case{"next reading", true}, Case{"retry", false}}) {
        SCOPED_TRACE(c.name);
        rig.fs.files.clear();
        while (rig.rx.takeError()) {
        }
        told.clear();
        logTemp("", "0", "");  // creates the file with its header
        rig.fs.denied.insert(path);
        for (const char* v : {"1", "2", "3"}) logTemp("", v, "");
        backlog.retry(rig.fs);  // still held: nothing moves
        EXPECT_EQ(rig.file("ravo07122026.csv"), std::string(kTempHeader) + "12:00:00, 1234,93h,,0,\r\n");
        EXPECT_EQ(backlog.waiting(), 3u);
        EXPECT_EQ(rig.rx.pendingErrors().size(), 1u);
        EXPECT_TRUE(told.empty());

        rig.fs.denied.clear();
        if (c.byNextReading) logTemp("", "4", "");
        else backlog.retry(rig.fs);
        std::string want = std::string(kTempHeader);
        for (const char* v : {"0", "1", "2", "3"}) want += std::string("12:00:00, 1234,93h,,") + v + ",\r\n";
        if (c.byNextReading) want += "12:00:00, 1234,93h,,4,\r\n";
        EXPECT_EQ(rig.file("ravo07122026.csv"), want);
        EXPECT_EQ(backlog.waiting(), 0u);
        EXPECT_EQ(told, (decltype(told){{path, 3}}));

        // Held again: a new episode, a new message.
        rig.fs.denied.insert(path);
        logTemp("", "5", "");
        logTemp("", "6", "");
        EXPECT_EQ(rig.rx.pendingErrors().size(), 2u);
        rig.fs.denied.clear();
        backlog.retry(rig.fs);
        EXPECT_EQ(rig.file("ravo07122026.csv"), want + "12:00:00, 1234,93h,,5,\r\n12:00:00, 1234,93h,,6,\r\n");
    }
}

// Each held row goes to the file of the day (and transmitter) it was decoded for;
// a file that does not exist yet when its rows go in gets the header of the first
// of them, once.
TEST_F(CsvLogTest, HeldRowsKeepTheirFileAndDayAndANewFileItsHeaderOnce) {
    rig.rx.click("optsepfiles");
    const std::string day1 = "/logs/Tx1234_07122026.csv", day2 = "/logs/Tx1234_08122026.csv";
    rig.fs.denied = {day1, day2};  // held before either exists
    logPulse("", "a", "b", "s1");
    logTemp("", "c", "d");
    rig.clock.set(LocalTime{2026, 12, 8, 0, 0, 1, 0});
    rig.rx.setTime(rig.clock.now());
    logTemp("", "e", "f");
    EXPECT_EQ(backlog.waiting(), 3u);
    EXPECT_EQ(rig.rx.pendingErrors().size(), 2u);  // one episode per file

    rig.fs.denied = {day1};  // the new day's file is free first
    logTemp("", "g", "h");
    EXPECT_EQ(rig.file("Tx1234_08122026.csv"),
              std::string(kTempHeader) + "00:00:01, 1234,93h,,e,f\r\n00:00:01, 1234,93h,,g,h\r\n");
    EXPECT_EQ(rig.file("Tx1234_07122026.csv"), "<missing>");
    rig.fs.denied.clear();
    backlog.retry(rig.fs);
    EXPECT_EQ(rig.file("Tx1234_07122026.csv"),
              std::string(kPulseHeader) + "12:00:00, 1234,93h,,a,b,s1\r\n12:00:00, 1234,93h,,c,d\r\n");
    EXPECT_EQ(backlog.waiting(), 0u);
}

// The queue is bounded: rows beyond it are dropped and counted; a file that can be
// written is not held up by a full queue.
TEST_F(CsvLogTest, AFullQueueDropsAndCountsTheNewestRows) {
    LogBacklog small(3);
    const LogFiles to{rig.screen(), rig.fs, rig.rx, small};
    const std::string held = "/logs/ravo07122026.csv";
    rig.fs.denied.insert(held);
    for (const char* v : {"1", "2", "3", "4", "5"}) logReading(to, {rig.state().time, address, status, "", v, ""});
    EXPECT_EQ(small.waiting(), 3u);
    EXPECT_EQ(small.dropped(), 2u);
    rig.rx.type({Field::txtpulsefilename}, "pul");
    logReadingWithSerial(to, {rig.state().time, address, status, "", "p", ""}, "");
    EXPECT_EQ(rig.file("pul07122026.csv"), std::string(kPulseHeader) + "12:00:00, 1234,93h,,p,,\r\n");
    rig.fs.denied.clear();
    small.retry(rig.fs);
    EXPECT_EQ(rig.file("ravo07122026.csv"), std::string(kTempHeader) + "12:00:00, 1234,93h,,1,\r\n" +
                                                "12:00:00, 1234,93h,,2,\r\n12:00:00, 1234,93h,,3,\r\n");
    EXPECT_EQ(small.dropped(), 2u);
}

// At the end, what can be written is; the rest is given up and told with its count
// and the times of its first and last row.
TEST_F(CsvLogTest, FinishWritesWhatItCanAndReturnsTheRest) {
    rig.rx.click("optsepfiles");
    rig.fs.denied = {"/logs/Tx1234_07122026.csv", "/logs/Tx99_07122026.csv"};
    logTemp("", "a", "");
    rig.clock.set(LocalTime{2026, 12, 7, 12, 0, 5, 250});
    rig.rx.setTime(rig.clock.now());
    rig.state().time.read = rig.clock.now();
    address = 99;
    logTemp("", "b", "");
    rig.clock.set(LocalTime{2026, 12, 7, 12, 3, 0, 0});
    rig.rx.setTime(rig.clock.now());
    rig.state().time.read = rig.clock.now();
    logTemp("", "c", "");
    rig.fs.denied.erase("/logs/Tx1234_07122026.csv");
    const auto left = backlog.finish(rig.fs);
    EXPECT_EQ(rig.file("Tx1234_07122026.csv"), std::string(kTempHeader) + "12:00:00, 1234,93h,,a,\r\n");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, "/logs/Tx99_07122026.csv");
    EXPECT_EQ(left[0].rows, 2u);
    EXPECT_EQ(left[0].first.second, 5);
    EXPECT_EQ(left[0].last.minute, 3);
    EXPECT_EQ(backlog.waiting(), 0u);
    EXPECT_EQ(rig.file("Tx99_07122026.csv"), "<missing>");
}

// Through the receiver: frames decoded while the file is held are logged by its
// once-a-second retry, and the count it shows is the core's.
TEST(ReceiverLogBacklog, FramesDecodedWhileTheFileIsHeldAreLoggedByTheRetry) {
    test::Rig rig(/*vhf=*/false);
    rig.enableLogging();
    rig.fs.denied.insert("/logs/ravo07122026.csv");
    for (int a : {1, 2, 3}) rig.feed(test::frame({0x82, 0x00, 0x00, a, 0x93, 0x00, 0x2B, 0x00, 0x29}));
    EXPECT_EQ(rig.rx.logBacklog().waiting(), 3u);
    EXPECT_EQ(rig.rx.pendingErrors().size(), 1u);
    rig.fs.denied.clear();
    rig.rx.retryLogs();
    EXPECT_EQ(rig.file("ravo07122026.csv"), std::string(kTempHeader) + "12:00:00, 1,93h,, 21.5, 20.5\r\n" +
                                                "12:00:00, 2,93h,, 21.5, 20.5\r\n12:00:00, 3,93h,, 21.5, 20.5\r\n");
    EXPECT_EQ(rig.rx.logBacklog().waiting(), 0u);
    EXPECT_TRUE(rig.rx.finishLogs().empty());
}

// The machine's file system: permission and locks held by another process.
struct DiskFileSystemTest : ::testing::Test {
    std::string dir;
    DiskFileSystem disk;
    void SetUp() override {
        char tmpl[] = "/tmp/ravo-fs-XXXXXX";
        dir = mkdtemp(tmpl);
        dir += "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs `hold` in a child process that keeps the file locked until told to stop.
    template <typename Lock>
    void withLockHeldElsewhere(const std::string& path, Lock lock, const std::function<void()>& body) {
        int toChild[2], fromChild[2];
        ASSERT_EQ(pipe(toChild), 0);
        ASSERT_EQ(pipe(fromChild), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            const int fd = ::open(path.c_str(), O_RDWR);
            const bool ok = fd >= 0 && lock(fd);
            char c = ok ? 'y' : 'n';
            (void)!write(fromChild[1], &c, 1);
            (void)!::read(toChild[0], &c, 1);
            _exit(0);
        }
        char c = 0;
        ASSERT_EQ(::read(fromChild[0], &c, 1), 1);
        ASSERT_EQ(c, 'y');
        body();
        (void)!write(toChild[1], "x", 1);
        waitpid(pid, nullptr, 0);
        for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
    }
};

TEST_F(DiskFileSystemTest, AppendsAndCreates) {
    EXPECT_TRUE(disk.folderExists(dir));
    EXPECT_FALSE(disk.fileExists(dir + "a.csv"));
    EXPECT_EQ(disk.append(dir + "a.csv", "one\r\n"), FileOutcome::Ok);
    EXPECT_EQ(disk.append(dir + "a.csv", "two\r\n"), FileOutcome::Ok);
    EXPECT_EQ(slurp(dir + "a.csv"), "one\r\ntwo\r\n");
    EXPECT_EQ(disk.append(dir + "missing/a.csv", "x"), FileOutcome::Failed);
}

TEST_F(DiskFileSystemTest, FlockHeldByAnotherProcessIsDenied) {
    const std::string p = dir + "f.csv";
    ASSERT_EQ(disk.append(p, "h\r\n"), FileOutcome::Ok);
    withLockHeldElsewhere(
        p, [](int fd) { return flock(fd, LOCK_EX) == 0; },
        [&] { EXPECT_EQ(disk.append(p, "x"), FileOutcome::Denied); });
    EXPECT_EQ(disk.append(p, "y"), FileOutcome::Ok);
    EXPECT_EQ(slurp(p), "h\r\ny");
}

TEST_F(DiskFileSystemTest, PosixRecordLockHeldByAnotherProcessIsDenied) {
    const std::string p = dir + "p.csv";
    ASSERT_EQ(disk.append(p, "h\r\n"), FileOutcome::Ok);
    withLockHeldElsewhere(
        p,
        [](int fd) {
            struct flock l {};
            l.l_type = F_WRLCK;
            l.l_whence = SEEK_SET;
            return fcntl(fd, F_SETLK, &l) == 0;
        },
        [&] { EXPECT_EQ(disk.append(p, "x"), FileOutcome::Denied); });
}

// Rows logged while another process holds an fcntl lock on the file all go in,
// in order, once it lets go.
TEST_F(DiskFileSystemTest, RowsLoggedUnderAnotherProcesssLockAllGoInAfterwards) {
    test::Rig rig;
    rig.rx.setLogging(true, dir);
    rig.rx.setTime(rig.clock.now());
    LogBacklog backlog;
    const LogFiles to{rig.screen(), disk, rig.rx, backlog};
    const std::string p = dir + "ravo07122026.csv";
    auto log = [&](int i) {
        const std::string v = std::to_string(i);
        logReading(to, {rig.state().time, i, 0x93, "", v, ""});
    };
    auto row = [](int i) { return "12:00:00, " + std::to_string(i) + ",93h,," + std::to_string(i) + ",\r\n"; };
    log(0);
    withLockHeldElsewhere(
        p,
        [](int fd) {
            struct flock l {};
            l.l_type = F_WRLCK;
            l.l_whence = SEEK_SET;
            return fcntl(fd, F_SETLK, &l) == 0;
        },
        [&] {
            for (int i = 1; i <= 300; ++i) log(i);
            backlog.retry(disk);
            EXPECT_EQ(backlog.waiting(), 300u);
        });
    std::string want = kTempHeader + row(0);
    EXPECT_EQ(slurp(p), want);
    log(301);
    for (int i = 1; i <= 301; ++i) want += row(i);
    EXPECT_EQ(slurp(p), want);
    EXPECT_EQ(backlog.waiting(), 0u);
    EXPECT_EQ(rig.rx.pendingErrors().size(), 1u);
}

TEST_F(DiskFileSystemTest, ReadOnlyFileIsDeniedForOrdinaryUsers) {
    const std::string p = dir + "r.csv";
    ASSERT_EQ(disk.append(p, "h\r\n"), FileOutcome::Ok);
    chmod(p.c_str(), 0444);
    if (geteuid() == 0) GTEST_SKIP() << "root may write a read-only file";
    EXPECT_EQ(disk.append(p, "x"), FileOutcome::Denied);
}

}  // namespace
}  // namespace ravo
