#include "http/HttpFeed.h"

#include <algorithm>

#include "readings/JsonLines.h"
#include "registry/RegistryJson.h"

namespace ravo {

const TransmitterView* HttpSnapshot::find(std::int32_t address) const {
    const auto it = std::lower_bound(
        transmitters.begin(), transmitters.end(), address,
        [](const std::shared_ptr<const TransmitterView>& t, std::int32_t a) { return t->summary.address < a; });
    return it != transmitters.end() && (*it)->summary.address == address ? it->get() : nullptr;
}

std::uint64_t EventRing::push(std::string json) {
    std::uint64_t id;
    {
        const std::lock_guard lock(mutex_);
        id = next_++;
        if (events_.size() >= capacity_) {
            // The oldest event's storage is reused for the newest.
            Event e = std::move(events_.front());
            events_.pop_front();
            e.id = id;
            e.json = std::move(json);
            events_.push_back(std::move(e));
        } else {
            events_.push_back({id, std::move(json)});
        }
    }
    changed_.notify_all();
    return id;
}

EventRing::Take EventRing::take(std::uint64_t after, std::size_t max, std::vector<Event>& out,
                                std::chrono::milliseconds wait) {
    out.clear();
    std::unique_lock lock(mutex_);
    if (!closed_ && next_ - 1 <= after) changed_.wait_for(lock, wait, [&] { return closed_ || next_ - 1 > after; });
    if (closed_) return Take::Closed;
    if (next_ - 1 <= after) return Take::Timeout;
    if (events_.empty() || events_.front().id > after + 1) return Take::Behind;
    for (std::size_t i = static_cast<std::size_t>(after + 1 - events_.front().id);
         i < events_.size() && out.size() < max; ++i)
        out.push_back(events_[i]);
    return Take::Events;
}

std::uint64_t EventRing::newest() const {
    const std::lock_guard lock(mutex_);
    return next_ - 1;
}

void EventRing::close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

HttpFeed::HttpFeed(const TransmitterRegistry& registry, std::size_t events)
    : registry_(registry), events_(events), snapshot_(std::make_shared<HttpSnapshot>()) {}

void HttpFeed::reading(const Reading& r) {
    ++frames_;
    ++readings_;
    ++changes_;
    markDirty(r.address);
    Latest& l = latest_[r.address];
    if (!r.fields.empty() || l.fields.empty()) {
        l.time = r.time;
        l.fields.resize(r.fields.size(), LatestField{nullptr, nullptr});
        for (std::size_t i = 0; i < r.fields.size(); ++i) l.fields[i] = {r.fields[i].decl, r.fields[i].value};
    }
    // The registry forgets the transmitter heard longest ago once it is full; the
    // fields of those it no longer holds go too, now and then rather than each time.
    const std::size_t cap = registry_.capacity();
    if (latest_.size() > cap + cap / 8 + 16) forgetGone();
    events_.push(readingJson(r));
}

void HttpFeed::badFrame(const BadFrameEvent& e) {
    ++frames_;
    ++badFrames_;
    ++changes_;
    events_.push(badFrameJson(e));
}

void HttpFeed::connection(const ConnectionEvent& e) { events_.push(connectionJson(e)); }

void HttpFeed::repeatDropped(std::int32_t address, const LocalTime&) {
    ++frames_;
    ++repeats_;
    ++changes_;
    markDirty(address);
}

void HttpFeed::silence(const SilenceEvent& e) {
    ++changes_;
    markDirty(e.address);
    events_.push(silenceEventJson(e).dump());
}

void HttpFeed::setStatus(HttpStatus status) {
    if (status == status_) return;
    status_ = std::move(status);
    ++changes_;
}

void HttpFeed::markDirty(std::int32_t address) {
    // Long without a snapshot (a decoded file): the next one looks at everything.
    if (dirty_.size() > registry_.capacity()) {
        dirty_.clear();
        forgottenSeen_ = UINT64_MAX;
    }
    if (forgottenSeen_ != UINT64_MAX) dirty_.insert(address);
}

void HttpFeed::forgetGone() {
    for (auto it = latest_.begin(); it != latest_.end();) {
        if (registry_.find(it->first)) ++it;
        else it = latest_.erase(it);
    }
}

std::shared_ptr<const TransmitterView> HttpFeed::view(TransmitterSummary summary) const {
    auto v = std::make_shared<TransmitterView>();
    if (const auto it = latest_.find(summary.address); it != latest_.end()) {
        v->fieldsTime = it->second.time;
        v->fields = it->second.fields;
    }
    v->summary = std::move(summary);
    return v;
}

void HttpFeed::publish() {
    const std::uint64_t change = changes_ + registry_.generation();
    if (change == published_) return;
    published_ = change;
    if (registry_.forgotten() != forgottenSeen_) {
        // Which ones went is not told: everything is looked at afresh.
        forgottenSeen_ = registry_.forgotten();
        views_.clear();
        for (TransmitterSummary& t : registry_.snapshot()) {
            const std::int32_t address = t.address;
            views_.emplace(address, view(std::move(t)));
        }
        for (auto it = latest_.begin(); it != latest_.end();) {
            if (views_.count(it->first)) ++it;
            else it = latest_.erase(it);
        }
    } else {
        for (const std::int32_t address : dirty_) {
            if (std::optional<TransmitterSummary> t = registry_.find(address)) {
                views_[address] = view(std::move(*t));
            } else {
                views_.erase(address);
                latest_.erase(address);
            }
        }
    }
    dirty_.clear();
    auto s = std::make_shared<HttpSnapshot>();
    s->transmitters.reserve(views_.size());
    for (const auto& [address, v] : views_) s->transmitters.push_back(v);
    s->status = status_;
    s->frames = frames_;
    s->badFrames = badFrames_;
    s->repeats = repeats_;
    s->readings = readings_;
    s->events = events_.newest();
    s->capacity = registry_.capacity();
    s->forgotten = registry_.forgotten();
    std::shared_ptr<const HttpSnapshot> old;
    {
        const std::lock_guard lock(snapshotMutex_);
        old = std::move(snapshot_);
        snapshot_ = std::move(s);
    }
    // `old` is freed here, outside the lock (or by the last reader still holding it).
}

std::shared_ptr<const HttpSnapshot> HttpFeed::snapshot() const {
    const std::lock_guard lock(snapshotMutex_);
    return snapshot_;
}

}  // namespace ravo
