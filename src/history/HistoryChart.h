// What a chart of one transmitter's stored readings draws, free of any toolkit:
// the points of each chosen field (one per reading, or one per interval for a
// long period), where its line breaks, and the minimum, mean and maximum of each
// field over the period.
//
// Raw or aggregated: up to `rawReadings` readings are drawn as they are. Beyond
// that, the period is cut into intervals aligned to multiples of a round step
// since the Unix epoch (as `ravo-cli history readings --every` does), the step
// the shortest that gives at most `maxPoints` intervals, and each interval that
// holds readings is one point: the mean, with the minimum and maximum beside it.
//
// Breaks: a line breaks where a value is missing (the transmitter reported a
// sensor error) and where the transmitter was silent: a pause between two points
// longer than three times the median spacing of the period's readings (the rule
// of the registry's automatic silence time), and never shorter than one interval
// when aggregated, so neighbouring intervals stay joined.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/HistoryQuery.h"

namespace ravo {

// One point: a reading's value (min, mean and max alike), or an interval's.
// A NaN mean is a reading without a value.
struct ChartPoint {
    std::int64_t ms = 0;  // Unix ms: the reading's time, or the interval's start
    double mean = NAN, min = NAN, max = NAN;
};

struct FieldStats {
    std::uint64_t count = 0;  // values counted (nulls are not)
    double min = 0, max = 0, sum = 0;
    double mean() const { return count ? sum / static_cast<double>(count) : NAN; }
};

struct ChartField {
    std::string name;
    std::vector<ChartPoint> points;
    FieldStats stats;  // over every reading of the period, whether drawn raw or not
};

struct ChartData {
    std::int64_t everySeconds = 0;  // 0: one point per reading
    std::int64_t gapMs = 0;         // a longer pause between two points breaks the line; 0: none does
    std::uint64_t readings = 0;
    std::optional<std::int64_t> lastMs;  // the newest reading's time
    std::vector<ChartField> fields;
};

struct ChartLimits {
    std::size_t rawReadings = 4000;  // more are aggregated
    std::size_t maxPoints = 2000;    // at most this many intervals when aggregated
};

// The shortest round step (1, 2, 5, 10, 15, 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6,
// 12 h, 1, 2, 7 days, then whole weeks) that cuts `spanMs` into at most `maxPoints`.
std::int64_t aggregationSeconds(std::int64_t spanMs, std::size_t maxPoints);

// The median of the spacings of `timesMs` (in order); 0 for fewer than two.
std::int64_t medianSpacingMs(std::span<const std::int64_t> timesMs);

// The unbroken runs of `points` as index ranges [first, second): a run ends
// before a point without a value and where the next point is more than `gapMs`
// later (gapMs <= 0: pauses never break). Runs hold at least one point.
std::vector<std::pair<std::size_t, std::size_t>> unbrokenRuns(std::span<const ChartPoint> points, std::int64_t gapMs);

// A stored value as a number, when it is one (not a flag, text or null).
std::optional<double> storedNumber(std::string_view json);

// Takes readings in time order and shapes them.
class ChartBuilder {
public:
    // `spanMs`: the length of the period drawn, which sets the step when the
    // readings are too many to draw as they are.
    ChartBuilder(std::vector<std::string> fields, std::int64_t spanMs, ChartLimits limits = {});

    // One reading: a value, or none, for each field in the order given.
    void add(std::int64_t ms, std::span<const std::optional<double>> values);
    ChartData finish();

private:
    // One interval of one field being summed up.
    struct Open {
        std::int64_t startMs = 0;
        bool any = false;
        FieldStats stats;
    };
    void startAggregating();
    void aggregatePoint(std::size_t field, std::int64_t ms, double v);
    void close(std::size_t field);

    ChartLimits limits_;
    std::int64_t spanMs_;
    ChartData data_;
    std::vector<std::int64_t> times_;  // of the readings, for the median spacing (the first so many)
    std::int64_t everyMs_ = 0;
    std::vector<Open> open_;  // per field, while aggregating
};

// One transmitter's readings over `span` (both ends should be set; an open end
// is taken from the transmitter's first or last reading), for `fields`.
bool loadChart(HistoryReader& reader, const ReadingSpan& span, const std::vector<std::string>& fields,
               const ChartLimits& limits, ChartData& out, std::string& error);

}  // namespace ravo
