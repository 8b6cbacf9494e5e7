#include <gtest/gtest.h>

#include "TestSupport.h"

namespace ravo {
namespace {

using test::bytes;

const std::string kBadCrc = bytes({0x82, 0x00, 0x12, 0x34, 0x0C, 0x00, 0x00, 0x00, 0x5A, 0xE6, 0x45});

TEST(BadFrames, CountedShownAndFiledByDay) {
    test::Rig rig;
    rig.at(12, 34, 56);
    rig.feed(kBadCrc);
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "1");
    const std::string line = "$82,$0,$12,$34,$C,$0,$0,$0,$5A,$E6,$45,$E6$44,12:34:56";
    EXPECT_EQ(rig.message(), line);
    EXPECT_EQ(rig.file("errorfile07122026.csv"), line + "\r\n");
    rig.at(12, 35, 56);
    rig.feed(kBadCrc);
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "2");
    EXPECT_EQ(rig.file("errorfile07122026.csv"), line + "\r\n" + line.substr(0, line.size() - 8) + "12:35:56\r\n");
}

TEST(BadFrames, WrappedPayloadGivesFourteenFields) {
    test::Rig rig;
    std::string payload = test::frame({0x82, 0, 0, 4, 0xD2, 3, 0, 0x2B, 0, 0x70});
    payload.back() ^= 0x01;
    rig.feed(test::stxWrapped(payload));
    int commas = 0;
    for (char c : rig.message()) commas += c == ',';
    EXPECT_EQ(commas, 13);
}

TEST(BadFrames, NoFileWithAnEmptyTemperaturePrefix) {
    test::Rig rig;
    rig.rx.type({Field::txttempfilename}, "");
    rig.feed(kBadCrc);
    EXPECT_EQ(rig.rx.state().errorCount, 1u);
    EXPECT_FALSE(rig.message().empty());
    EXPECT_TRUE(rig.fs.files.empty());
    EXPECT_EQ(rig.fs.appends, 0);
}

TEST(BadFrames, DoubleClickResetsTheCount) {
    test::Rig rig;
    for (int s = 0; s < 3; ++s) {
        rig.at(12, 0, s * 10);
        rig.feed(kBadCrc);
    }
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "3");
    const std::string shown = rig.message();
    EXPECT_TRUE(rig.rx.doubleClick("txt_errorcount"));
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "0");
    EXPECT_EQ(rig.message(), shown);
    rig.at(12, 1, 0);
    rig.feed(kBadCrc);
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "1");
}

TEST(BadFrames, CountGoesPastTheSigned32BitLimit) {
    test::Rig rig;
    rig.state().errorCount = 2147483647u;
    rig.feed(kBadCrc);
    EXPECT_EQ(rig.rx.screen().text(Field::txt_errorcount), "2147483648");
}

TEST(BadFrames, AnUnwritableErrorFileLosesOnlyThatLine) {
    test::Rig rig;
    rig.fs.folders.clear();  // the folder is gone
    rig.feed(kBadCrc);
    rig.fs.folders.insert("/logs/");
    rig.at(12, 0, 30);
    rig.feed(kBadCrc);
    EXPECT_EQ(rig.rx.state().errorCount, 2u);
    EXPECT_EQ(rig.file("errorfile07122026.csv"), "$82,$0,$12,$34,$C,$0,$0,$0,$5A,$E6,$45,$E6$44,12:00:30\r\n");
    EXPECT_TRUE(rig.rx.pendingErrors().empty()) << "no modal message for the error file";
}

}  // namespace
}  // namespace ravo
