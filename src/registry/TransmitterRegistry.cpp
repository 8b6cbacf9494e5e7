#include "registry/TransmitterRegistry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace ravo {

std::int64_t wallMillis(const LocalTime& t) {
    using namespace std::chrono;
    const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                        std::chrono::day{static_cast<unsigned>(t.day)}};
    return day.time_since_epoch().count() * 86400000LL + t.hour * 3600000LL + t.minute * 60000LL +
           t.second * 1000LL + t.millisecond;
}

std::string civilTime(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::optional<SilencePolicy> SilencePolicy::parse(const std::string& text) {
    if (text == "auto") return automatic();
    double s = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, s);
    if (text.empty() || ec != std::errc() || ptr != end || !(s > 0) || !std::isfinite(s)) return std::nullopt;
    return fixed(s);
}

std::string SilencePolicy::text() const {
    switch (mode) {
        case Mode::Off: return "";
        case Mode::Auto: return "auto";
        case Mode::Fixed: break;
    }
    char t[32];
    std::snprintf(t, sizeof t, "%.15g", seconds);
    return t;
}

std::optional<double> TransmitterRegistry::Entry::medianMs() const {
    const std::size_t n = ring.size();
    if (n == 0) return std::nullopt;
    std::array<std::uint32_t, kIntervalWindow> v;
    std::copy(ring.begin(), ring.end(), v.begin());
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(v.begin(), mid, v.begin() + static_cast<std::ptrdiff_t>(n));
    if (n % 2) return *mid;
    return (static_cast<double>(*std::max_element(v.begin(), mid)) + *mid) / 2;
}

void TransmitterRegistry::Entry::addInterval(std::uint32_t ms) {
    if (ring.size() < kIntervalWindow) {
        ring.push_back(ms);
    } else {
        ring[ringNext] = ms;
        ringNext = (ringNext + 1) % kIntervalWindow;
    }
    if (ring.size() < kFewIntervals || ++sinceMedian >= kIntervalWindow) refreshMedian();
}

TransmitterRegistry::TransmitterRegistry(std::size_t capacity, SilencePolicy policy)
    : capacity_(std::max<std::size_t>(capacity, 1)), policy_(policy) {}

std::optional<std::int64_t> TransmitterRegistry::thresholdMs(const Entry& e) const {
    switch (policy_.mode) {
        case SilencePolicy::Mode::Off: return std::nullopt;
        case SilencePolicy::Mode::Fixed: return std::llround(policy_.seconds * 1000);
        case SilencePolicy::Mode::Auto:
            if (e.readings < 3) return std::nullopt;
            if (e.silenceMedianMs) return e.autoThresholdMs;
            return std::nullopt;
    }
    return std::nullopt;
}

namespace {
// std::push_heap and pop_heap keep a max-heap; this makes it the earliest first.
constexpr auto kLater = [](const auto& a, const auto& b) { return a > b; };
}  // namespace

void TransmitterRegistry::unschedule(Entry& e) { e.deadline = kNoDeadline; }

void TransmitterRegistry::pushDeadline(Entry& e, std::int64_t due) {
    e.deadline = due;
    deadlines_.emplace_back(due, e.address);
    std::push_heap(deadlines_.begin(), deadlines_.end(), kLater);
    if (deadlines_.size() > 2 * byAddress_.size() + 64) compactDeadlines();
}

void TransmitterRegistry::compactDeadlines() {
    deadlines_.clear();
    for (const Entry& e : order_)
        if (e.deadline != kNoDeadline) deadlines_.emplace_back(e.deadline, e.address);
    std::make_heap(deadlines_.begin(), deadlines_.end(), kLater);
}

void TransmitterRegistry::schedule(Entry& e, bool exact) {
    const auto threshold = e.silent ? std::nullopt : thresholdMs(e);
    if (!threshold) {
        unschedule(e);
        return;
    }
    const std::int64_t due = e.lastMs + *threshold;
    if (e.deadline == due || (!exact && e.deadline != kNoDeadline && e.deadline <= due)) return;
    pushDeadline(e, due);
}

void TransmitterRegistry::tell(const SilenceEvent& ev) {
    for (const Listener& l : listeners_) l(ev);
}

void TransmitterRegistry::check(const LocalTime& now) { checkAt(wallMillis(now), now); }

void TransmitterRegistry::checkAt(std::int64_t nowMs, const LocalTime& now) {
    while (!deadlines_.empty() && deadlines_.front().first < nowMs) {
        const auto [due, address] = deadlines_.front();
        std::pop_heap(deadlines_.begin(), deadlines_.end(), kLater);
        deadlines_.pop_back();
        const auto found = byAddress_.find(address);
        if (found == byAddress_.end()) continue;
        Entry& e = *found->second;
        if (e.deadline != due) continue;  // replaced or withdrawn since
        // A deadline set before the latest readings comes due early: it moves to the
        // real one, so that a long gap still tells the silences in the order they began.
        const auto threshold = thresholdMs(e);
        if (!threshold || e.lastMs + *threshold != due) {
            e.deadline = kNoDeadline;
            schedule(e, true);
            continue;
        }
        e.deadline = kNoDeadline;
        e.silent = true;
        ++silentCount_;
        ++generation_;
        tell({SilenceEvent::Kind::Silent, e.address, e.family, e.lastHeard, now});
    }
}

void TransmitterRegistry::forgetOldest() {
    Entry& oldest = order_.back();
    unschedule(oldest);
    if (oldest.silent) --silentCount_;
    byAddress_.erase(oldest.address);
    order_.pop_back();
    ++forgotten_;
}

void TransmitterRegistry::reading(const Reading& r) {
    const std::int64_t ms = wallMillis(r.time);
    checkAt(ms, r.time);
    auto found = byAddress_.find(r.address);
    Entry* e;
    if (found == byAddress_.end()) {
        if (byAddress_.size() >= capacity_) forgetOldest();
        order_.push_front(Entry{});
        e = &order_.front();
        e->address = r.address;
        e->firstHeard = r.time;
        byAddress_.emplace(r.address, order_.begin());
    } else {
        order_.splice(order_.begin(), order_, found->second);
        e = &*found->second;
        // A clock set back gives no interval.
        if (e->readings > 0 && ms >= e->lastMs)
            e->addInterval(static_cast<std::uint32_t>(std::min<std::int64_t>(ms - e->lastMs, UINT32_MAX)));
    }
    if (e->family != r.family) e->family = r.family;
    e->lastHeard = r.time;
    e->lastMs = ms;
    ++e->readings;
    if (r.sLevel) {
        e->sLevel = r.sLevel;
        e->sLevelMin = e->sLevelMin ? std::min(*e->sLevelMin, *r.sLevel) : *r.sLevel;
        e->sLevelMax = e->sLevelMax ? std::max(*e->sLevelMax, *r.sLevel) : *r.sLevel;
    }
    e->batteryLow = r.batteryLow;
    if (r.firmware) e->firmware = r.firmware;
    if (r.line) e->line = r.line;
    ++generation_;
    if (e->silent) {
        e->silent = false;
        --silentCount_;
        tell({SilenceEvent::Kind::Back, e->address, e->family, e->lastHeard, r.time});
    }
    if (policy_.mode != SilencePolicy::Mode::Off) schedule(*e, false);
}

void TransmitterRegistry::repeatDropped(std::int32_t address, const LocalTime&) {
    // A repeat of a transmitter not (or no longer) in view tells nothing about it.
    const auto found = byAddress_.find(address);
    if (found == byAddress_.end()) return;
    ++found->second->repeats;
    ++generation_;
}

void TransmitterRegistry::setPolicy(SilencePolicy policy) {
    if (policy == policy_) return;
    policy_ = policy;
    // Transmitters already silent stay so until heard; the others get new deadlines.
    for (Entry& e : order_) {
        e.deadline = kNoDeadline;
        schedule(e, true);
    }
    compactDeadlines();
    ++generation_;
}

TransmitterSummary TransmitterRegistry::summary(const Entry& e) {
    TransmitterSummary s;
    s.address = e.address;
    s.family = e.family;
    s.firstHeard = e.firstHeard;
    s.lastHeard = e.lastHeard;
    s.readings = e.readings;
    s.repeats = e.repeats;
    if (const auto m = e.medianMs()) s.medianIntervalS = *m / 1000;
    s.sLevel = e.sLevel;
    s.sLevelMin = e.sLevelMin;
    s.sLevelMax = e.sLevelMax;
    s.batteryLow = e.batteryLow;
    s.firmware = e.firmware;
    s.line = e.line;
    s.silent = e.silent;
    return s;
}

std::optional<TransmitterSummary> TransmitterRegistry::find(std::int32_t address) const {
    const auto found = byAddress_.find(address);
    if (found == byAddress_.end()) return std::nullopt;
    return summary(*found->second);
}

std::vector<TransmitterSummary> TransmitterRegistry::snapshot() const {
    std::vector<TransmitterSummary> all;
    all.reserve(order_.size());
    for (const Entry& e : order_) all.push_back(summary(e));
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.address < b.address; });
    return all;
}

}  // namespace ravo
