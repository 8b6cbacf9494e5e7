// What the HTTP server shows, fed on the decoding thread and read on the
// server's: the receiver's readings as a sink (each transmitter's latest declared
// fields, the counts) and every event as a JSON line in a bounded ring. The
// decoding thread never waits for a reader: it takes a short lock to push an
// event, and once a second swaps in a new snapshot of the transmitters that the
// request threads share.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "readings/Reading.h"
#include "registry/TransmitterRegistry.h"

namespace ravo {

// A declared field's latest value.
struct LatestField {
    const FieldDecl* decl;
    FieldValue value;
};

struct TransmitterView {
    TransmitterSummary summary;
    std::optional<LocalTime> fieldsTime;  // of the latest reading with its fields
    std::vector<LatestField> fields;
};

// What runs around the receiver, as the session tells it once a second.
struct HttpStatus {
    std::string source;             // "port /dev/ttyUSB0", "capture site.txt"
    std::optional<bool> connected;  // a live receiver: whether its device is there
    std::string mqtt, influx;       // one line each, empty without that output
    bool history = false;           // a history store is kept (charts can be drawn)

    bool operator==(const HttpStatus&) const = default;
};

struct HttpSnapshot {
    HttpStatus status;
    // Ordered by address; a transmitter that did not change since the last
    // snapshot is shared with it.
    std::vector<std::shared_ptr<const TransmitterView>> transmitters;
    std::uint64_t frames = 0, badFrames = 0, repeats = 0, readings = 0;
    std::uint64_t events = 0;  // the id of the newest event
    std::size_t capacity = 0;  // of the registry
    std::uint64_t forgotten = 0;

    const TransmitterView* find(std::int32_t address) const;
};

// The newest events, each a JSON line with its id (1, 2, ...).
class EventRing {
public:
    explicit EventRing(std::size_t capacity) : capacity_(capacity) {}

    struct Event {
        std::uint64_t id;
        std::string json;
    };
    // Returns the event's id.
    std::uint64_t push(std::string json);

    enum class Take { Events, Behind, Timeout, Closed };
    // The events after `after` (at most `max`) into `out`. Behind when some of
    // them are no longer held; waits up to `wait` when there is none yet.
    Take take(std::uint64_t after, std::size_t max, std::vector<Event>& out, std::chrono::milliseconds wait);
    std::uint64_t newest() const;
    // Every waiting reader returns Closed, now and from here on.
    void close();
    std::size_t capacity() const { return capacity_; }

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Event> events_;
    std::uint64_t next_ = 1;
    bool closed_ = false;
};

class HttpFeed : public ReadingSink {
public:
    static constexpr std::size_t kDefaultEvents = 10000;

    // `registry`: the transmitters shown; the latest fields are kept for those it
    // holds (at most its capacity) and forgotten with them.
    explicit HttpFeed(const TransmitterRegistry& registry, std::size_t events = kDefaultEvents);

    void reading(const Reading& r) override;
    void badFrame(const BadFrameEvent& e) override;
    void connection(const ConnectionEvent& e) override;
    void repeatDropped(std::int32_t address, const LocalTime& time) override;
    // A silence or return the registry told.
    void silence(const SilenceEvent& e);
    // The state around the receiver, published with the next snapshot.
    void setStatus(HttpStatus status);

    // On the decoding thread: a new snapshot when anything changed since the last.
    // Only the transmitters heard or told silent since then are looked up again,
    // unless the registry forgot some (then all are).
    void publish();
    // On any thread: the latest snapshot (never null).
    std::shared_ptr<const HttpSnapshot> snapshot() const;

    EventRing& events() { return events_; }

private:
    struct Latest {
        LocalTime time;
        std::vector<LatestField> fields;
    };
    void forgetGone();
    void markDirty(std::int32_t address);
    std::shared_ptr<const TransmitterView> view(TransmitterSummary summary) const;

    const TransmitterRegistry& registry_;
    EventRing events_;
    std::unordered_map<std::int32_t, Latest> latest_;
    std::map<std::int32_t, std::shared_ptr<const TransmitterView>> views_;  // as last published
    std::unordered_set<std::int32_t> dirty_;                                // changed since
    std::uint64_t frames_ = 0, badFrames_ = 0, repeats_ = 0, readings_ = 0;
    HttpStatus status_;
    std::uint64_t published_ = UINT64_MAX;  // the change count of the last snapshot
    std::uint64_t changes_ = 0;
    std::uint64_t forgottenSeen_ = UINT64_MAX;  // the registry's count at the last full look
    mutable std::mutex snapshotMutex_;
    std::shared_ptr<const HttpSnapshot> snapshot_;
};

}  // namespace ravo
