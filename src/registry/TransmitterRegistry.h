// Every transmitter in view: for each address heard (any band, any family) what
// it is, when it was first and last heard, how often, its signal level, battery
// and firmware, and how regularly it sends. A transmitter that stays quiet for
// longer than the silence time is reported silent once, and back once when it is
// heard again. The registry is a reading sink of the receiver; it holds at most a
// configured number of addresses and forgets the one heard longest ago beyond it.
#pragma once

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Clock.h"
#include "readings/Reading.h"
#include "registry/AddressIndex.h"

namespace ravo {

// "YYYY-MM-DD HH:MM:SS"
std::string civilTime(const LocalTime& t);

// When a transmitter counts as silent.
struct SilencePolicy {
    enum class Mode { Off, Fixed, Auto };
    Mode mode = Mode::Off;
    double seconds = 0;  // Fixed: quiet for longer than this

    static SilencePolicy off() { return {}; }
    static SilencePolicy fixed(double s) { return {Mode::Fixed, s}; }
    static SilencePolicy automatic() { return {Mode::Auto, 0}; }
    // "auto" or a positive number of seconds; nullopt for anything else.
    static std::optional<SilencePolicy> parse(const std::string& text);
    // "auto", the seconds, or "" when off.
    std::string text() const;
    bool operator==(const SilencePolicy&) const = default;
};

struct SilenceEvent {
    enum class Kind { Silent, Back };
    Kind kind;
    std::int32_t address;
    std::string family;
    LocalTime lastHeard;  // the reading before the silence (Silent), or the one that ended it (Back)
    LocalTime time;       // when the registry saw the change
};

// One transmitter as the outputs show it.
struct TransmitterSummary {
    std::int32_t address = 0;
    std::string family;
    LocalTime firstHeard, lastHeard;
    std::uint64_t readings = 0;
    std::uint64_t repeats = 0;
    std::optional<double> medianIntervalS;
    std::optional<double> sLevel, sLevelMin, sLevelMax;
    std::optional<bool> batteryLow;
    std::optional<int> firmware;
    std::optional<std::string> line;  // 8-bit text
    bool silent = false;
};

class TransmitterRegistry : public ReadingSink {
public:
    static constexpr std::size_t kDefaultCapacity = 100000;
    static constexpr std::size_t kIntervalWindow = 64;
    static constexpr std::size_t kFewIntervals = 8;

    explicit TransmitterRegistry(std::size_t capacity = kDefaultCapacity, SilencePolicy policy = {});

    // ReadingSink: a reading first lets the silence check run at its time, then
    // counts the transmitter heard.
    void reading(const Reading& r) override;
    void badFrame(const BadFrameEvent&) override {}
    // The table keeps no family fields, so decoders need not build them for it.
    bool wantsFields() const override { return false; }
    bool wantsBadFrames() const override { return false; }
    void repeatDropped(std::int32_t address, const LocalTime& time) override;

    // Reports every transmitter that has been quiet past its silence time at `now`.
    void check(const LocalTime& now);

    void setPolicy(SilencePolicy policy);
    const SilencePolicy& policy() const { return policy_; }

    using Listener = std::function<void(const SilenceEvent&)>;
    void addListener(Listener l) { listeners_.push_back(std::move(l)); }

    std::size_t size() const { return byAddress_.size(); }
    std::size_t capacity() const { return capacity_; }
    std::uint64_t forgotten() const { return forgotten_; }
    std::size_t silentCount() const { return silentCount_; }
    // Moves on with every change, so a view knows when to look again.
    std::uint64_t generation() const { return generation_; }

    std::optional<TransmitterSummary> find(std::int32_t address) const;
    // Every transmitter, ordered by address.
    std::vector<TransmitterSummary> snapshot() const;

private:
    static constexpr std::int64_t kNoDeadline = INT64_MIN;
    using Slot = std::uint32_t;
    // What every reading touches comes first and keeps to few cache lines: the
    // decoders' own work between two readings pushes the registry out of the
    // nearest cache, so each line it touches costs a fetch.
    struct Entry {
        std::int32_t address = 0;
        bool used = false;  // a slot of a forgotten transmitter waits for the next new one
        bool silent = false;
        std::optional<bool> batteryLow;
        std::optional<int> firmware;
        std::uint64_t readings = 0;
        std::uint64_t heard = 0;  // arrival order of the last reading
        std::int64_t lastMs = 0;  // wallMillis of the last reading
        std::int64_t deadline = kNoDeadline;
        std::int64_t autoThresholdMs = 0;  // three times silenceMedianMs
        std::uint32_t ringNext = 0, sinceMedian = 0;
        std::optional<double> sLevel, sLevelMin, sLevelMax;
        std::string family;
        std::optional<std::string> line;
        // The last intervals (ms) in arrival order, as a ring. The median that
        // silence goes by is worked out afresh with every interval while there are
        // few, then once per window's worth (the window's median moves no faster);
        // the outputs always get the exact median.
        std::vector<std::uint32_t> ring;
        std::optional<double> silenceMedianMs;
        std::int64_t firstMs = 0;
        std::uint64_t repeats = 0;

        std::optional<double> medianMs() const;
        // `silenceMedian`: the median that silence goes by is kept up (auto silence only).
        void addInterval(std::uint32_t ms, bool silenceMedian);
        // Empty again for a new address; the ring keeps its storage.
        void reset();
        void refreshMedian();
    };
    // Silence deadlines as a min-heap of (due, address). An item is in force only
    // while its slot still holds that transmitter with that very deadline; others
    // are dropped when they come to the top.
    struct Deadline {
        std::int64_t due;
        std::int32_t address;
        Slot slot;
        bool operator>(const Deadline& o) const { return due != o.due ? due > o.due : address > o.address; }
    };
    // The order of hearing as a min-heap with one item per transmitter, kept
    // lazily: a reading only stamps its entry, and an item found stale on top when
    // one must be forgotten takes its entry's stamp and sinks to its place.
    struct Heard {
        std::uint64_t heard;
        Slot slot;
        bool operator>(const Heard& o) const { return heard > o.heard; }
    };

    std::optional<std::int64_t> thresholdMs(const Entry& e) const;
    // A new address, in the slot of the one heard longest ago when the registry
    // is full, else in a free or a new one.
    Slot admit(std::int32_t address, std::int64_t ms);
    static void takeFamily(Entry& e, const std::string& family);
    // Gives `e` the deadline of its silence. A deadline already set that is
    // earlier is left alone unless `exact`: the check moves it on when it comes.
    void schedule(Slot slot, bool exact);
    void forgetOldest();
    void checkAt(std::int64_t nowMs, const LocalTime& now);
    void pushDeadline(Slot slot, std::int64_t due);
    void compactDeadlines();
    void moveTopDeadline(std::int64_t due);
    void tell(SilenceEvent::Kind kind, const Entry& e, const LocalTime& now);
    static TransmitterSummary summary(const Entry& e);
    // wallMillis, with the day's part kept from the call before: readings come
    // in time order, so the calendar is worked out about once a day.
    std::int64_t millisOf(const LocalTime& t);

    std::size_t capacity_;
    SilencePolicy policy_;
    std::vector<Entry> entries_;
    std::vector<Slot> freeSlots_;
    AddressIndex<Slot> byAddress_;
    std::vector<Heard> heardOrder_;    // heap, heard longest ago on top
    std::vector<Deadline> deadlines_;  // heap, earliest on top
    std::uint64_t heardCount_ = 0;
    std::vector<Listener> listeners_;
    std::uint64_t forgotten_ = 0;
    std::size_t silentCount_ = 0;
    std::uint64_t generation_ = 0;
    LocalTime day_{0, 0, 0};
    std::int64_t dayMs_ = 0;
};

}  // namespace ravo
