#include "history/HistoryChart.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "readings/FieldDecl.h"

namespace ravo {
namespace {

// Spacings beyond this many readings do not move the median much further.
constexpr std::size_t kSpacingSample = 1 << 17;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

void count(FieldStats& s, double v) {
    s.min = s.count ? std::min(s.min, v) : v;
    s.max = s.count ? std::max(s.max, v) : v;
    s.sum += v;
    ++s.count;
}

}  // namespace

std::int64_t aggregationSeconds(std::int64_t spanMs, std::size_t maxPoints) {
    static constexpr std::array<std::int64_t, 23> kSteps = {
        1,    2,    5,     10,    15,    30,    60,     120,    300,     600,     900,    1800,
        3600, 7200, 10800, 21600, 43200, 86400, 172800, 604800, 1209600, 2419200, 4838400};
    const std::int64_t points = static_cast<std::int64_t>(std::max<std::size_t>(maxPoints, 1));
    const std::int64_t spanS = std::max<std::int64_t>(spanMs, 0) / 1000 + 1;
    for (std::int64_t step : kSteps)
        if (spanS <= step * points) return step;
    const std::int64_t week = 604800;
    return (spanS / points / week + 1) * week;
}

std::int64_t medianSpacingMs(std::span<const std::int64_t> timesMs) {
    if (timesMs.size() < 2) return 0;
    std::vector<std::int64_t> spacing;
    spacing.reserve(timesMs.size() - 1);
    for (std::size_t i = 1; i < timesMs.size(); ++i) spacing.push_back(timesMs[i] - timesMs[i - 1]);
    const auto mid = spacing.begin() + static_cast<std::ptrdiff_t>(spacing.size() / 2);
    std::nth_element(spacing.begin(), mid, spacing.end());
    if (spacing.size() % 2) return *mid;
    const std::int64_t upper = *mid;
    const std::int64_t lower = *std::max_element(spacing.begin(), mid);
    return (lower + upper) / 2;
}

std::vector<std::pair<std::size_t, std::size_t>> unbrokenRuns(std::span<const ChartPoint> points, std::int64_t gapMs) {
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    std::size_t first = 0;
    bool open = false;
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (std::isnan(points[i].mean)) {
            if (open) runs.emplace_back(first, i);
            open = false;
            continue;
        }
        if (open && gapMs > 0 && points[i].ms - points[i - 1].ms > gapMs) {
            runs.emplace_back(first, i);
            open = false;
        }
        if (!open) {
            first = i;
            open = true;
        }
    }
    if (open) runs.emplace_back(first, points.size());
    return runs;
}

std::optional<double> storedNumber(std::string_view json) {
    if (json.empty() || !(json.front() == '-' || (json.front() >= '0' && json.front() <= '9'))) return std::nullopt;
    const std::string text(json);
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

ChartBuilder::ChartBuilder(std::vector<std::string> fields, std::int64_t spanMs, ChartLimits limits)
    : limits_(limits), spanMs_(spanMs) {
    for (std::string& name : fields) data_.fields.push_back({std::move(name), {}, {}});
    open_.resize(data_.fields.size());
}

void ChartBuilder::add(std::int64_t ms, std::span<const std::optional<double>> values) {
    ++data_.readings;
    data_.lastMs = ms;
    if (times_.size() < kSpacingSample) times_.push_back(ms);
    if (!everyMs_ && data_.readings > limits_.rawReadings) startAggregating();
    for (std::size_t i = 0; i < data_.fields.size(); ++i) {
        const std::optional<double> v = i < values.size() ? values[i] : std::nullopt;
        ChartField& f = data_.fields[i];
        if (v) count(f.stats, *v);
        if (everyMs_) {
            aggregatePoint(i, ms, v ? *v : NAN);
        } else {
            ChartPoint p;
            p.ms = ms;
            if (v) p.mean = p.min = p.max = *v;
            f.points.push_back(p);
        }
    }
}

void ChartBuilder::startAggregating() {
    everyMs_ = aggregationSeconds(spanMs_, limits_.maxPoints) * 1000;
    data_.everySeconds = everyMs_ / 1000;
    for (std::size_t i = 0; i < data_.fields.size(); ++i) {
        std::vector<ChartPoint> raw = std::move(data_.fields[i].points);
        data_.fields[i].points.clear();
        for (const ChartPoint& p : raw) aggregatePoint(i, p.ms, p.mean);
    }
}

void ChartBuilder::aggregatePoint(std::size_t field, std::int64_t ms, double v) {
    Open& o = open_[field];
    const std::int64_t start = floorDiv(ms, everyMs_) * everyMs_;
    if (o.any && o.startMs != start) close(field);
    if (!o.any) {
        o = Open{};
        o.startMs = start;
        o.any = true;
    }
    if (!std::isnan(v)) count(o.stats, v);
}

void ChartBuilder::close(std::size_t field) {
    Open& o = open_[field];
    if (!o.any) return;
    ChartPoint p;
    p.ms = o.startMs;
    if (o.stats.count) {
        p.mean = o.stats.mean();
        p.min = o.stats.min;
        p.max = o.stats.max;
    }
    data_.fields[field].points.push_back(p);
    o.any = false;
}

ChartData ChartBuilder::finish() {
    for (std::size_t i = 0; i < data_.fields.size(); ++i) close(i);
    const std::int64_t median = medianSpacingMs(times_);
    data_.gapMs = median > 0 ? std::max(3 * median, everyMs_) : 0;
    return std::move(data_);
}

bool loadChart(HistoryReader& reader, const ReadingSpan& span, const std::vector<std::string>& fields,
               const ChartLimits& limits, ChartData& out, std::string& error) {
    std::int64_t spanMs = 0;
    if (span.fromMs && span.toMs) {
        spanMs = *span.toMs - *span.fromMs;
    } else {
        std::vector<TransmitterHistory> all;
        if (!reader.transmitters(all, error)) return false;
        for (const TransmitterHistory& t : all)
            if (t.address == span.address)
                spanMs = span.toMs.value_or(t.last.utcMs + 1) - span.fromMs.value_or(t.first.utcMs);
    }
    ChartBuilder builder(fields, spanMs, limits);
    std::vector<std::optional<double>> values(fields.size());
    const bool ok = reader.readings(
        span,
        [&](const StoredReading& r) {
            for (std::size_t i = 0; i < fields.size(); ++i) {
                values[i].reset();
                if (fields[i] == kSLevelField.name) values[i] = r.sLevel;
                for (std::size_t k = 0; k < r.names->size(); ++k)
                    if ((*r.names)[k] == fields[i]) values[i] = storedNumber(r.values[k]);
            }
            builder.add(r.time.utcMs, values);
            return true;
        },
        error);
    if (!ok) return false;
    out = builder.finish();
    return true;
}

}  // namespace ravo
