#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/NumberText.h"
#include "decoders/DecoderOutput.h"
#include "decoders/Decoders.h"
#include "decoders/Dispatch.h"
#include "frames/Frame.h"

namespace ravo {
namespace {

// Writes down what a decoder produces, in order: "message", "log", "cell" for any
// write to the screen model, "profile". Runs of the same kind count once.
class RecordingOutput final : public DecoderOutput {
public:
    explicit RecordingOutput(std::int32_t address) {
        // The transmitter already has a row in both grids, so that finding it
        // writes nothing.
        screen_.setText(Field::txttx, 0, decimalText(address));
        screen_.setText(Field::txttempadd, 0, decimalText(address));
        screen_.addListener([this](const ModelChange&) { note("cell"); });
    }

    std::vector<std::string> events;
    std::vector<int> loggedStatus;
    std::vector<std::string> loggedValue1;

    void showMessage(std::string, std::int32_t) override { note("message"); }
    void logTemperature(int status, const std::string&, const std::string& value1, const std::string&) override {
        logged(status, value1);
    }
    void logPulse(int status, const std::string&, const std::string& value1, const std::string&,
                  const std::string&) override {
        logged(status, value1);
    }
    ScreenModel& screen() override { return screen_; }
    F1RowState& f1Row(int row) override { return f1_[static_cast<size_t>(row)]; }
    Reading* reading() override { return nullptr; }
    void feedProfile(double) override { note("profile"); }
    std::string number(double v) const override { return numberText(v); }

private:
    void logged(int status, const std::string& value1) {
        note("log");
        loggedStatus.push_back(status);
        loggedValue1.push_back(value1);
    }
    void note(const char* kind) {
        if (events.empty() || events.back() != kind) events.emplace_back(kind);
    }
    ScreenModel screen_;
    std::array<F1RowState, kGridRows + 1> f1_{};
};

using Events = std::vector<std::string>;

// Every family, run without a receiver: the message comes first, then the log
// row, then the grid cells (and the temperature decoder's profile feed last).
TEST(DecoderOutput, EveryFamilyShowsThenLogsThenWritesItsRow) {
    const Events shown{"message", "log", "cell"};
    const struct {
        int type;
        Events expected;
    } cases[] = {
        {0x82, {"message", "log", "cell", "profile"}},
        {0x83, shown},
        {0x84, shown},
        {0x85, shown},
        {0x86, shown},
        {0x8A, shown},
        {0x7A, shown},
        {0x7B, {"cell"}},  // a signal report: no line, no log row
        {0x81, shown},
        {0x87, shown},
        {0x88, shown},
        {0x89, shown},
        {0x8B, shown},
        {0x8F, shown},
        {0xF1, {"message", "cell"}},  // a main packet of a row whose type is not known yet
        {0xF2, shown},
    };
    ASSERT_EQ(std::size(cases), kDispatchTable.size());
    for (const auto& c : cases) {
        const DispatchRow* row = nullptr;
        for (const DispatchRow& r : kDispatchTable)
            if (r.typeCode == c.type) row = &r;
        ASSERT_NE(row, nullptr) << c.type;
        const bool vhf = row->band == Band::VhfOnly;

        std::array<int, 1001> bytes{};
        const int item[] = {c.type, 0x00, 0x04, 0xD2, 0x03, 0x00, 0x2B, 0x00, 0x29};
        for (size_t i = 0; i < std::size(item); ++i) bytes[i + 1] = item[i];
        TimeTexts time;
        Frame frame;
        frame.bytes = &bytes;
        frame.type = c.type;
        frame.address = 1234;
        frame.status = 0x03;
        frame.payload = {0x00, 0x2B, 0x00, 0x29};
        frame.signalLevel = vhf ? " 2" : "";
        frame.vhfBand = vhf;
        frame.time = &time;

        RecordingOutput out(frame.address);
        row->decode(frame, out);
        EXPECT_EQ(out.events, c.expected) << row->family;
        for (int status : out.loggedStatus) EXPECT_EQ(status, 0x03) << row->family;
    }
}

// An ID packet decodes the row's kept main packet again: the log row carries the
// main packet's status and payload, passed to the sub-decoder, not the ID packet's.
TEST(DecoderOutput, F1ReplayLogsTheKeptStatus) {
    std::array<int, 1001> bytes{};
    TimeTexts time;
    Frame frame;
    frame.bytes = &bytes;
    frame.type = 0xF1;
    frame.address = 300;
    frame.time = &time;
    RecordingOutput out(frame.address);

    frame.status = 0x05;  // main packet, type not known yet: kept
    frame.payload = {0x00, 0xD7, 0x12, 0x34};
    decodeF1Family(frame, out);
    EXPECT_TRUE(out.loggedStatus.empty());

    frame.status = 0x40;  // ID packet: PT100
    frame.payload = {0x00, 0x01, 0x00, 0x00};
    decodeF1Family(frame, out);
    EXPECT_EQ(out.loggedStatus, std::vector<int>{0x05});
    EXPECT_EQ(out.loggedValue1, std::vector<std::string>{" 21.5"});
    EXPECT_EQ(out.f1Row(0).deviceType, 1);
    EXPECT_EQ(out.f1Row(0).savedPayload, (std::array<std::uint8_t, 4>{0x00, 0xD7, 0x12, 0x34}));
}

}  // namespace
}  // namespace ravo
