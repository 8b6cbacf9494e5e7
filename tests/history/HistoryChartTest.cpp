// The shaping of a chart of stored readings: the interval step for long periods,
// the runs a silence or a sensor error breaks a line into, and readings drawn as
// they are or summed up per interval with the period's statistics exact.
#include <gtest/gtest.h>

#include <cmath>

#include "history/HistoryChart.h"

namespace ravo {
namespace {

constexpr std::int64_t kHour = 3600 * 1000;
constexpr std::int64_t kDay = 24 * kHour;

TEST(HistoryChart, StepKeepsPointsUnderTheLimit) {
    struct Case {
        std::int64_t spanMs;
        std::size_t maxPoints;
        std::int64_t seconds;
    };
    for (const Case& c : {Case{kHour, 2000, 2}, Case{kDay, 2000, 60}, Case{7 * kDay, 2000, 600},
                          Case{365 * kDay, 2000, 21600}, Case{365 * kDay, 100, 604800}, Case{3650 * kDay, 100, 4838400},
                          Case{36500 * kDay, 100, 53 * 604800}, Case{0, 2000, 1}}) {
        const std::int64_t s = aggregationSeconds(c.spanMs, c.maxPoints);
        EXPECT_EQ(s, c.seconds) << c.spanMs << " ms in " << c.maxPoints;
        EXPECT_LE(c.spanMs / 1000 / s, static_cast<std::int64_t>(c.maxPoints));
    }
}

TEST(HistoryChart, SilencesAndMissingValuesBreakTheLine) {
    auto points = [](std::initializer_list<std::pair<std::int64_t, double>> list) {
        std::vector<ChartPoint> out;
        for (auto [ms, v] : list) out.push_back({ms, v, v, v});
        return out;
    };
    using Runs = std::vector<std::pair<std::size_t, std::size_t>>;
    EXPECT_EQ(unbrokenRuns(points({{0, 1}, {10, 2}, {20, 3}}), 30), (Runs{{0, 3}}));
    // A pause just over the limit breaks, one at the limit does not.
    EXPECT_EQ(unbrokenRuns(points({{0, 1}, {30, 2}, {61, 3}, {70, 4}}), 30), (Runs{{0, 2}, {2, 4}}));
    // A missing value ends a run and starts none; a lone point is a run.
    EXPECT_EQ(unbrokenRuns(points({{0, NAN}, {10, 1}, {20, NAN}, {30, NAN}, {40, 2}, {100, 3}}), 30),
              (Runs{{1, 2}, {4, 5}, {5, 6}}));
    EXPECT_EQ(unbrokenRuns(points({{0, 1}, {1000, 2}}), 0), (Runs{{0, 2}}));
    EXPECT_TRUE(unbrokenRuns({}, 30).empty());

    EXPECT_EQ(medianSpacingMs(std::vector<std::int64_t>{0, 10, 20, 1000}), 10);
    EXPECT_EQ(medianSpacingMs(std::vector<std::int64_t>{0, 10, 30}), 15);
    EXPECT_EQ(medianSpacingMs(std::vector<std::int64_t>{5}), 0);

    EXPECT_EQ(storedNumber("21.5"), 21.5);
    EXPECT_EQ(storedNumber("-3"), -3.0);
    for (const char* none : {"null", "true", "\"12\"", "", "1x"}) EXPECT_FALSE(storedNumber(none)) << none;
}

// Readings every 10 minutes from midnight (UTC) for `hours`, but for a silence of
// 3 hours after hour 5; field a counts the readings, field b is missing every 7th.
ChartData build(int hours, ChartLimits limits) {
    ChartBuilder b({"a", "b"}, hours * kHour, limits);
    const std::int64_t day = 20000 * kDay;
    int n = 0;
    for (std::int64_t t = 0; t < hours * kHour; t += 10 * 60 * 1000) {
        if (t >= 5 * kHour && t < 8 * kHour) continue;
        std::vector<std::optional<double>> v{double(n), n % 7 == 3 ? std::nullopt : std::optional<double>(-n)};
        b.add(day + t, v);
        ++n;
    }
    return b.finish();
}

TEST(HistoryChart, FewReadingsRawManyPerInterval) {
    const ChartData raw = build(24, {});
    EXPECT_EQ(raw.everySeconds, 0);
    EXPECT_EQ(raw.readings, 144u - 18u);
    EXPECT_EQ(raw.gapMs, 30 * 60 * 1000);
    ASSERT_EQ(raw.fields.size(), 2u);
    EXPECT_EQ(raw.fields[0].points.size(), raw.readings);
    EXPECT_EQ(unbrokenRuns(raw.fields[0].points, raw.gapMs).size(), 2u);
    EXPECT_GT(unbrokenRuns(raw.fields[1].points, raw.gapMs).size(), 10u);
    EXPECT_EQ(raw.fields[0].stats.count, 126u);
    EXPECT_EQ(raw.fields[0].stats.min, 0);
    EXPECT_EQ(raw.fields[0].stats.max, 125);
    EXPECT_DOUBLE_EQ(raw.fields[0].stats.mean(), 62.5);
    EXPECT_EQ(raw.fields[1].stats.count, 108u);

    // The same readings over limits that make them too many: hourly points
    // (24 hours in 30 points), each the mean, min and max of its six readings.
    const ChartData hourly = build(24, {100, 30});
    EXPECT_EQ(hourly.everySeconds, 3600);
    EXPECT_EQ(hourly.readings, raw.readings);
    const auto& a = hourly.fields[0].points;
    ASSERT_EQ(a.size(), 21u);
    EXPECT_EQ(a[1].ms - a[0].ms, kHour);
    EXPECT_DOUBLE_EQ(a[1].mean, 8.5);
    EXPECT_EQ(a[1].min, 6);
    EXPECT_EQ(a[1].max, 11);
    // The silence still breaks the line; neighbouring hours do not.
    EXPECT_EQ(hourly.gapMs, kHour);
    EXPECT_EQ(unbrokenRuns(a, hourly.gapMs), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 5}, {5, 21}}));
    // The period's figures are those of every reading, not of the means.
    EXPECT_EQ(hourly.fields[0].stats.count, raw.fields[0].stats.count);
    EXPECT_EQ(hourly.fields[0].stats.max, 125);
    EXPECT_DOUBLE_EQ(hourly.fields[1].stats.mean(), raw.fields[1].stats.mean());
    EXPECT_EQ(*hourly.lastMs, *raw.lastMs);
}

}  // namespace
}  // namespace ravo
