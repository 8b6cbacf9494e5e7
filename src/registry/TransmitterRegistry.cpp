#include "registry/TransmitterRegistry.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace ravo {

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

void TransmitterRegistry::Entry::addInterval(std::uint32_t ms, bool silenceMedian) {
    if (ring.size() < kIntervalWindow) {
        ring.push_back(ms);
    } else {
        ring[ringNext] = ms;
        ringNext = static_cast<std::uint32_t>((ringNext + 1) % kIntervalWindow);
    }
    if (silenceMedian && (ring.size() < kFewIntervals || ++sinceMedian >= kIntervalWindow)) refreshMedian();
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

// The top item of a min-heap takes a later key and sinks to its place: one pass
// down the heap.
template <class Item>
void sinkTop(std::vector<Item>& heap, Item item) {
    const std::size_t n = heap.size();
    std::size_t i = 0;
    for (std::size_t child = 1; child < n; child = 2 * i + 1) {
        if (child + 1 < n && heap[child] > heap[child + 1]) ++child;
        if (!(item > heap[child])) break;
        heap[i] = heap[child];
        i = child;
    }
    heap[i] = item;
}
}  // namespace

[[gnu::noinline]] void TransmitterRegistry::pushDeadline(Slot slot, std::int64_t due) {
    Entry& e = entries_[slot];
    e.deadline = due;
    deadlines_.push_back({due, e.address, slot});
    std::push_heap(deadlines_.begin(), deadlines_.end(), kLater);
    if (deadlines_.size() > 2 * byAddress_.size() + 64) compactDeadlines();
}

void TransmitterRegistry::compactDeadlines() {
    deadlines_.clear();
    for (Slot s = 0; s < entries_.size(); ++s) {
        const Entry& e = entries_[s];
        if (e.used && e.deadline != kNoDeadline) deadlines_.push_back({e.deadline, e.address, s});
    }
    std::make_heap(deadlines_.begin(), deadlines_.end(), kLater);
}

void TransmitterRegistry::schedule(Slot slot, bool exact) {
    Entry& e = entries_[slot];
    const auto threshold = e.silent ? std::nullopt : thresholdMs(e);
    if (!threshold) {
        e.deadline = kNoDeadline;
        return;
    }
    const std::int64_t due = e.lastMs + *threshold;
    if (e.deadline == due || (!exact && e.deadline != kNoDeadline && e.deadline <= due)) return;
    pushDeadline(slot, due);
}

[[gnu::noinline]] void TransmitterRegistry::tell(SilenceEvent::Kind kind, const Entry& e, const LocalTime& now) {
    if (listeners_.empty()) return;
    const SilenceEvent ev{kind, e.address, e.family, fromWallMillis(e.lastMs), now};
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
    Deadline item = deadlines_.front();
    item.due = due;
    entries_[item.slot].deadline = due;
    sinkTop(deadlines_, item);
}

[[gnu::noinline]] void TransmitterRegistry::checkAt(std::int64_t nowMs, const LocalTime& now) {
    while (!deadlines_.empty() && deadlines_.front().due < nowMs) {
        const Deadline top = deadlines_.front();
        Entry& e = entries_[top.slot];
        // Not replaced, withdrawn or forgotten since it was set.
        const bool inForce = e.used && e.address == top.address && e.deadline == top.due;
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
            schedule(top.slot, true);
            continue;
        }
        e.silent = true;
        ++silentCount_;
        ++generation_;
        tell(SilenceEvent::Kind::Silent, e, now);
    }
}

[[gnu::noinline]] void TransmitterRegistry::forgetOldest() {
    // Items whose transmitter was heard since they were stamped take the newer
    // stamp, until the top is the one heard longest ago.
    while (entries_[heardOrder_.front().slot].heard != heardOrder_.front().heard) {
        const Slot slot = heardOrder_.front().slot;
        sinkTop(heardOrder_, Heard{entries_[slot].heard, slot});
    }
    const Slot slot = heardOrder_.front().slot;
    std::pop_heap(heardOrder_.begin(), heardOrder_.end(), kLater);
    heardOrder_.pop_back();
    Entry& oldest = entries_[slot];
    if (oldest.silent) --silentCount_;
    byAddress_.erase(oldest.address);
    oldest.used = false;
    oldest.deadline = kNoDeadline;
    freeSlots_.push_back(slot);
    ++forgotten_;
}

[[gnu::noinline]] TransmitterRegistry::Slot TransmitterRegistry::admit(std::int32_t address, std::int64_t ms) {
    if (byAddress_.size() >= capacity_) forgetOldest();
    Slot slot;
    if (freeSlots_.empty()) {
        slot = static_cast<Slot>(entries_.size());
        entries_.emplace_back();
    } else {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
        entries_[slot].reset();
    }
    Entry& e = entries_[slot];
    e.used = true;
    e.address = address;
    e.firstMs = ms;
    e.heard = ++heardCount_;
    heardOrder_.push_back({e.heard, slot});
    std::push_heap(heardOrder_.begin(), heardOrder_.end(), kLater);
    byAddress_.insert(address, slot);
    return slot;
}

[[gnu::noinline]] void TransmitterRegistry::takeFamily(Entry& e, const std::string& family) { e.family = family; }

void TransmitterRegistry::reading(const Reading& r) {
    const std::int64_t ms = millisOf(r.time);
    if (!deadlines_.empty() && deadlines_.front().due < ms) checkAt(ms, r.time);
    const Slot* found = byAddress_.find(r.address);
    const Slot slot = found ? *found : admit(r.address, ms);
    Entry& e = entries_[slot];
    // A clock set back gives no interval.
    if (e.readings > 0 && ms >= e.lastMs)
        e.addInterval(static_cast<std::uint32_t>(std::min<std::int64_t>(ms - e.lastMs, UINT32_MAX)),
                      policy_.mode == SilencePolicy::Mode::Auto);
    e.heard = ++heardCount_;
    if (e.family != r.family) takeFamily(e, r.family);
    e.lastMs = ms;
    ++e.readings;
    if (r.sLevel) {
        e.sLevel = r.sLevel;
        e.sLevelMin = e.sLevelMin ? std::min(*e.sLevelMin, *r.sLevel) : *r.sLevel;
        e.sLevelMax = e.sLevelMax ? std::max(*e.sLevelMax, *r.sLevel) : *r.sLevel;
    }
    e.batteryLow = r.batteryLow;
    if (r.firmware) e.firmware = r.firmware;
    if (r.line) e.line = *r.line;
    ++generation_;
    if (e.silent) {
        e.silent = false;
        --silentCount_;
        tell(SilenceEvent::Kind::Back, e, r.time);
    }
    if (policy_.mode != SilencePolicy::Mode::Off) schedule(slot, false);
}

void TransmitterRegistry::repeatDropped(std::int32_t address, const LocalTime&) {
    // A repeat of a transmitter not (or no longer) in view tells nothing about it.
    const Slot* found = byAddress_.find(address);
    if (!found) return;
    ++entries_[*found].repeats;
    ++generation_;
}

void TransmitterRegistry::setPolicy(SilencePolicy policy) {
    if (policy == policy_) return;
    policy_ = policy;
    // Transmitters already silent stay so until heard; the others get new deadlines.
    for (Slot s = 0; s < entries_.size(); ++s) {
        if (!entries_[s].used) continue;
        if (policy_.mode == SilencePolicy::Mode::Auto) entries_[s].refreshMedian();
        entries_[s].deadline = kNoDeadline;
        schedule(s, true);
    }
    compactDeadlines();
    ++generation_;
}

TransmitterSummary TransmitterRegistry::summary(const Entry& e) {
    TransmitterSummary s;
    s.address = e.address;
    s.family = e.family;
    s.firstHeard = fromWallMillis(e.firstMs);
    s.lastHeard = fromWallMillis(e.lastMs);
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
    const Slot* found = byAddress_.find(address);
    if (!found) return std::nullopt;
    return summary(entries_[*found]);
}

std::vector<TransmitterSummary> TransmitterRegistry::snapshot() const {
    std::vector<TransmitterSummary> all;
    all.reserve(byAddress_.size());
    for (const Entry& e : entries_)
        if (e.used) all.push_back(summary(e));
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.address < b.address; });
    return all;
}

}  // namespace ravo
