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
    LogFiles files() { return {rig.screen(), rig.fs, rig.rx}; }
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

TEST_F(CsvLogTest, DeniedAccessRaisesTheMessageAndLosesOnlyThatRow) {
    rig.fs.files["/logs/ravo07122026.csv"] = kTempHeader;
    rig.fs.denied.insert("/logs/ravo07122026.csv");
    logTemp("", "lost", "");
    ASSERT_EQ(rig.rx.pendingErrors().size(), 1u);
    EXPECT_EQ(rig.rx.pendingErrors().front(), "Log file inaccessible! Close file to resume logging.");
    rig.fs.denied.clear();
    logTemp("", "kept", "");
    EXPECT_EQ(rig.file("ravo07122026.csv"), std::string(kTempHeader) + "12:00:00, 1234,93h,,kept,\r\n");
    EXPECT_EQ(rig.rx.pendingErrors().size(), 1u);
}

TEST_F(CsvLogTest, OtherFailuresAreSilent) {
    rig.fs.failing.insert("/logs/ravo07122026.csv");
    logTemp("", "a", "b");
    EXPECT_TRUE(rig.rx.pendingErrors().empty());
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

TEST_F(DiskFileSystemTest, ReadOnlyFileIsDeniedForOrdinaryUsers) {
    const std::string p = dir + "r.csv";
    ASSERT_EQ(disk.append(p, "h\r\n"), FileOutcome::Ok);
    chmod(p.c_str(), 0444);
    if (geteuid() == 0) GTEST_SKIP() << "root may write a read-only file";
    EXPECT_EQ(disk.append(p, "x"), FileOutcome::Denied);
}

}  // namespace
}  // namespace ravo
