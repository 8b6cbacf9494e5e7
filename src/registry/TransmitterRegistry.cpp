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

// Out of line: readings that start a transmitter, end a silence or refresh a
// median are few, and the code of every reading stays small beside the decoders'.
[[gnu::noinline]] void TransmitterRegistry::Entry::reset() {
    std::vector<std::uint32_t> keep = std::move(ring);
    keep.clear();
    *this = Entry{};
    ring = std::move(keep);
}

[[gnu::noinline]] void TransmitterRegistry::Entry::refreshMedian() {
    silenceMedianMs = medianMs();
    if (silenceMedianMs) autoThresholdMs = static_cast<std::int64_t>(3 * *silenceMedianMs + 0.5);
    sinceMedian = 0;
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

[[gnu::noinline]] void TransmitterRegistry::pushDeadline(Order::iterator e, std::int64_t due) {
    e->deadline = due;
    deadlines_.push_back({due, e->address, e});
    std::push_heap(deadlines_.begin(), deadlines_.end(), kLater);
    if (deadlines_.size() > 2 * byAddress_.size() + 64) compactDeadlines();
}

void TransmitterRegistry::compactDeadlines() {
    deadlines_.clear();
    for (auto e = order_.begin(); e != order_.end(); ++e)
        if (e->deadline != kNoDeadline) deadlines_.push_back({e->deadline, e->address, e});
    std::make_heap(deadlines_.begin(), deadlines_.end(), kLater);
}

void TransmitterRegistry::schedule(Order::iterator e, bool exact) {
    const auto threshold = e->silent ? std::nullopt : thresholdMs(*e);
    if (!threshold) {
        unschedule(*e);
        return;
    }
    const std::int64_t due = e->lastMs + *threshold;
    if (e->deadline == due || (!exact && e->deadline != kNoDeadline && e->deadline <= due)) return;
    pushDeadline(e, due);
}

[[gnu::noinline]] void TransmitterRegistry::tell(SilenceEvent::Kind kind, const Entry& e, const LocalTime& now) {
    if (listeners_.empty()) return;
    const SilenceEvent ev{kind, e.address, e.family, e.lastHeard, now};
    for (const Listener& l : listeners_) l(ev);
}

std::int64_t TransmitterRegistry::millisOf(const LocalTime& t) {
    if (t.day != day_.day || t.month != day_.month || t.year != day_.year) {
        day_ = LocalTime{t.year, t.month, t.day};
        dayMs_ = wallMillis(day_);
    }
    return dayMs_ + t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL + t.millisecond;
}

void TransmitterRegistry::check(const LocalTime& now) { checkAt(millisOf(now), now); }

void TransmitterRegistry::moveTopDeadline(std::int64_t due) {
    // The top item takes a later time and sinks to its place: one pass down the heap.
    Deadline item = deadlines_.front();
    item.due = due;
    item.entry->deadline = due;
    const std::size_t n = deadlines_.size();
    std::size_t i = 0;
    for (std::size_t child = 1; child < n; child = 2 * i + 1) {
        if (child + 1 < n && deadlines_[child] > deadlines_[child + 1]) ++child;
        if (!(item > deadlines_[child])) break;
        deadlines_[i] = deadlines_[child];
        i = child;
    }
    deadlines_[i] = item;
}

[[gnu::noinline]] void TransmitterRegistry::checkAt(std::int64_t nowMs, const LocalTime& now) {
    while (!deadlines_.empty() && deadlines_.front().due < nowMs) {
        const Deadline top = deadlines_.front();
        Entry& e = *top.entry;
        // Not replaced, withdrawn or forgotten since it was set.
        const bool inForce = e.address == top.address && e.deadline == top.due;
        const auto threshold = inForce ? thresholdMs(e) : std::nullopt;
        const std::int64_t real = threshold ? e.lastMs + *threshold : kNoDeadline;
        // A deadline set before the latest readings comes due early: it moves on to the
        // real one, so that a long gap still tells the silences in the order they began.
        if (threshold && real > top.due) {
            moveTopDeadline(real);
            continue;
        }
        std::pop_heap(deadlines_.begin(), deadlines_.end(), kLater);
        deadlines_.pop_back();
        if (!inForce) continue;
        e.deadline = kNoDeadline;
        if (real != top.due) {
            schedule(top.entry, true);
            continue;
        }
        e.silent = true;
        ++silentCount_;
        ++generation_;
        tell(SilenceEvent::Kind::Silent, e, now);
    }
}

[[gnu::noinline]] void TransmitterRegistry::forgetOldest() {
    Entry& oldest = order_.back();
    unschedule(oldest);
    if (oldest.silent) --silentCount_;
    byAddress_.erase(oldest.address);
    spare_.splice(spare_.begin(), order_, std::prev(order_.end()));
    ++forgotten_;
}

[[gnu::noinline]] TransmitterRegistry::Order::iterator TransmitterRegistry::admit(const Reading& r) {
    if (byAddress_.size() >= capacity_) forgetOldest();
    if (spare_.empty()) {
        order_.emplace_front();
    } else {
        order_.splice(order_.begin(), spare_, spare_.begin());
        order_.front().reset();
    }
    const Order::iterator e = order_.begin();
    e->address = r.address;
    e->firstHeard = r.time;
    byAddress_.insert(r.address, e);
    return e;
}

[[gnu::noinline]] void TransmitterRegistry::takeFamily(Entry& e, const std::string& family) { e.family = family; }

void TransmitterRegistry::reading(const Reading& r) {
    const std::int64_t ms = millisOf(r.time);
    if (!deadlines_.empty() && deadlines_.front().due < ms) checkAt(ms, r.time);
    Order::iterator e;
    if (Order::iterator* found = byAddress_.find(r.address)) {
        e = *found;
        if (e != order_.begin()) order_.splice(order_.begin(), order_, e);
        // A clock set back gives no interval.
        if (e->readings > 0 && ms >= e->lastMs)
            e->addInterval(static_cast<std::uint32_t>(std::min<std::int64_t>(ms - e->lastMs, UINT32_MAX)));
    } else {
        e = admit(r);
    }
    if (e->family != r.family) takeFamily(*e, r.family);
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
    if (r.line) e->line = *r.line;
    ++generation_;
    if (e->silent) {
        e->silent = false;
        --silentCount_;
        tell(SilenceEvent::Kind::Back, *e, r.time);
    }
    if (policy_.mode != SilencePolicy::Mode::Off) schedule(e, false);
}

void TransmitterRegistry::repeatDropped(std::int32_t address, const LocalTime&) {
    // A repeat of a transmitter not (or no longer) in view tells nothing about it.
    Order::iterator* found = byAddress_.find(address);
    if (!found) return;
    ++(*found)->repeats;
    ++generation_;
}

void TransmitterRegistry::setPolicy(SilencePolicy policy) {
    if (policy == policy_) return;
    policy_ = policy;
    // Transmitters already silent stay so until heard; the others get new deadlines.
    for (auto e = order_.begin(); e != order_.end(); ++e) {
        e->deadline = kNoDeadline;
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
    const Order::iterator* found = byAddress_.find(address);
    if (!found) return std::nullopt;
    return summary(**found);
}

std::vector<TransmitterSummary> TransmitterRegistry::snapshot() const {
    std::vector<TransmitterSummary> all;
    all.reserve(order_.size());
    for (const Entry& e : order_) all.push_back(summary(e));
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.address < b.address; });
    return all;
}

}  // namespace ravo
