// JSON lines: key order, types, escaping and the Latin-1 to UTF-8 conversion.
#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "common/Latin1.h"
#include "readings/IsoTime.h"
#include "readings/JsonLines.h"

namespace ravo {
namespace {

const LocalTime kTime{2026, 12, 7, 12, 0, 5, 250};
const std::string kIso = "\"" + isoTime(kTime) + "\"";

// Fields of the test's own; only their names reach the JSON.
constexpr FieldDecl named(std::string_view name) {
    FieldDecl d{};
    d.name = name;
    return d;
}
constexpr FieldDecl kTemperature1 = named("temperature_1_C"), kTemperature2 = named("temperature_2_C"),
                    kWhole = named("whole_C"), kCount = named("count"), kSensorError = named("sensor_error");
constexpr FieldDecl kNumbered[] = {named("n_0"), named("n_1"), named("n_2"), named("n_3"),
                                   named("n_4"), named("n_5"), named("n_6")};

Reading sample() {
    Reading r{kTime, 0x82, "temperature", 1234, 0x93, true, true, 3, 2.0, {}, {}};
    r.set(kTemperature1, -39.7 + 0.01 * 6000 + (-2e-8) * 1e6);  // 20.279999999999998
    r.set(kTemperature2, nullptr);
    r.set(kWhole, 20.0);
    r.set(kCount, std::int64_t{4294967295});
    r.set(kSensorError, false);
    r.set(kCount, std::int64_t{5});  // replaces, keeps its place
    r.line = std::string(
        "21.5 \xB0"
        "C \"q\" \\ \x01");
    return r;
}

TEST(JsonLines, KeysInOrderWithTypesAndEscapes) {
    EXPECT_EQ(readingJson(sample()),
              "{\"time\":" + kIso +
                  ",\"type\":130,\"family\":\"temperature\",\"address\":1234,\"status\":147,\"band\":\"vhf\","
                  "\"battery_low\":true,\"firmware\":3,\"s_level\":2.0,\"temperature_1_C\":20.28,"
                  "\"temperature_2_C\":null,\"whole_C\":20.0,\"count\":5,\"sensor_error\":false,"
                  "\"line\":\"21.5 \xC2\xB0"
                  "C \\\"q\\\" \\\\ \\u0001\"}");
    Reading bare{kTime, 0x7B, "legionella_signal", 7, 0, false, std::nullopt, std::nullopt, std::nullopt, {}, {}};
    EXPECT_EQ(readingJson(bare), "{\"time\":" + kIso +
                                     ",\"type\":123,\"family\":\"legionella_signal\",\"address\":7,\"status\":0,"
                                     "\"band\":\"uhf\",\"line\":null}");
    EXPECT_EQ(
        badFrameJson({kTime, "82 00 04", "$82,$0,$4,$56$B,12:00:05"}),
        "{\"event\":\"bad_frame\",\"time\":" + kIso + ",\"bytes\":\"82 00 04\",\"line\":\"$82,$0,$4,$56$B,12:00:05\"}");
    EXPECT_EQ(connectionJson({ConnectionEvent::Kind::Lost, kTime, "/dev/ttyUSB0"}),
              "{\"event\":\"connection_lost\",\"time\":" + kIso + ",\"device\":\"/dev/ttyUSB0\"}");
}

// A JSON parser reads back every 8-bit character and every kind of number.
TEST(JsonLines, EveryByteAndNumberReadsBack) {
    Reading r = sample();
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    r.line = all;
    const std::vector<double> numbers{0.5, -0.1, 1e-7, 123456789012345.0, 1e300, -3276.8, 799.5};
    ASSERT_EQ(numbers.size(), std::size(kNumbered));
    for (size_t i = 0; i < numbers.size(); ++i) r.set(kNumbered[i], numbers[i]);
    const nlohmann::json j = nlohmann::json::parse(readingJson(r));
    EXPECT_EQ(j["line"].get<std::string>(), latin1ToUtf8(all));
    for (size_t i = 0; i < numbers.size(); ++i) {
        const nlohmann::json& n = j["n_" + std::to_string(i)];
        EXPECT_TRUE(n.is_number_float()) << n;
        EXPECT_DOUBLE_EQ(n.get<double>(), numbers[i]);
    }
}

TEST(JsonLines, SinkWritesOneLinePerEventAndSkipsRepeats) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    JsonLinesSink sink(f, true);
    for (int i = 0; i < 2; ++i) {  // the buffer is reused: nothing of the longer line is left
        sink.reading(sample());
        sink.repeatDropped(1234, kTime);
        sink.badFrame({kTime, "82", "$82"});
    }
    std::rewind(f);
    char buffer[4096];
    const std::string written(buffer, std::fread(buffer, 1, sizeof buffer, f));
    std::fclose(f);
    const std::string pair = readingJson(sample()) + "\n" + badFrameJson({kTime, "82", "$82"}) + "\n";
    EXPECT_EQ(written, pair + pair);
}

}  // namespace
}  // namespace ravo
