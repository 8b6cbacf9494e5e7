#include "history/HistoryStore.h"

#include <algorithm>

namespace ravo {

using std::chrono::steady_clock;

namespace {

constexpr std::int64_t kDayMs = 86400000;
// At the end, pruning gets this many batches; what is left goes at the next start.
constexpr int kPruneBatchesAtClose = 100;

}  // namespace

HistoryStore::HistoryStore(HistorySettings settings) : settings_(std::move(settings)) {}

HistoryStore::~HistoryStore() { close(); }

bool HistoryStore::open(std::string& error) {
    if (!writer_.open(settings_.path, error, settings_.busyTimeoutMs)) return false;
    std::string why;
    bool unmoved = false;
    if (!writer_.newestReading(newestMs_, why) || !writer_.hasRecent(unmoved, why)) {
        writer_.close();
        error = "cannot read " + settings_.path + ": " + why;
        return false;
    }
    unmoved_ = unmoved ? static_cast<std::uint64_t>(settings_.moveBatch) : 0;
    // Without a second connection the writer copies the log back itself, as SQLite does by default.
    checkpointsApart_ = checkpointer_.start(settings_.path, why);
    if (checkpointsApart_) writer_.leaveCheckpoints();
    {
        const std::lock_guard lock(mutex_);
        running_ = true;
        // Room for a full queue from the start: growing it copied every reading in it.
        queue_.reserve(settings_.queueCapacity);
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

template <typename Fill>
void HistoryStore::push(Fill fill) {
    std::unique_lock lock(mutex_);
    if (!running_ || stopping_) return;
    while (count_ >= settings_.queueCapacity) {
        if (!settings_.waitWhenFull) {
            ++dropped_;
            if (!droppedTold_) {
                droppedTold_ = true;
                problems_.push_back("history: writing to " + settings_.path +
                                    " does not keep up; readings are dropped (counted) until it does");
            }
            return;
        }
        writerIdle_ = false;
        work_.notify_one();
        room_.wait(lock);
        if (stopping_) {
            ++dropped_;
            return;
        }
    }
    if (count_ == queue_.size()) queue_.emplace_back();
    fill(queue_[count_]);
    ++count_;
    // One wake-up until the writer takes the queue: a notify for every item past
    // the half would each be a system call while the writer gets going.
    if ((writerIdle_ || count_ >= settings_.queueCapacity / 2) && !wakeSent_) {
        writerIdle_ = false;
        wakeSent_ = true;
        work_.notify_one();
    }
}

void HistoryStore::reading(const Reading& r) {
    push([&r](Item& slot) {
        if (!std::holds_alternative<Reading>(slot)) slot.emplace<Reading>();
        Reading& q = std::get<Reading>(slot);
        // Member by member, so the slot keeps its storage; the line stays behind.
        q.time = r.time;
        q.type = r.type;
        q.family = r.family;
        q.address = r.address;
        q.status = r.status;
        q.vhf = r.vhf;
        q.batteryLow = r.batteryLow;
        q.firmware = r.firmware;
        q.sLevel = r.sLevel;
        q.fields = r.fields;
    });
}

void HistoryStore::badFrame(const BadFrameEvent& e) {
    push([&e](Item& slot) { slot = e; });
}

void HistoryStore::connection(const ConnectionEvent& e) {
    push([&e](Item& slot) { slot = e; });
}

void HistoryStore::transmitterEvent(const TransmitterEvent& e) {
    push([&e](Item& slot) { slot = e; });
}

void HistoryStore::sync() {
    std::unique_lock lock(mutex_);
    if (!running_) return;
    const std::uint64_t target = ++syncWanted_;
    writerIdle_ = false;
    work_.notify_one();
    synced_.wait(lock, [&] { return syncDone_ >= target || !running_; });
}

void HistoryStore::close() {
    {
        const std::lock_guard lock(mutex_);
        if (!running_ && !thread_.joinable()) return;
        stopping_ = true;
        work_.notify_one();
        room_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    const std::lock_guard lock(mutex_);
    running_ = false;
    synced_.notify_all();
    const std::uint64_t lost = dropped_ + failedItems_;
    if (lost)
        problems_.push_back("history: " + std::to_string(lost) + " readings and events could not be stored in " +
                            settings_.path);
}

std::vector<std::string> HistoryStore::takeProblems() {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> out;
    out.swap(problems_);
    return out;
}

std::uint64_t HistoryStore::stored() const {
    const std::lock_guard lock(mutex_);
    return stored_;
}

std::uint64_t HistoryStore::lost() const {
    const std::lock_guard lock(mutex_);
    return dropped_ + failedItems_;
}

void HistoryStore::run() {
    std::vector<Item> batch;  // swapped with the queue: both keep their slots
    batch.reserve(settings_.queueCapacity);
    nextPrune_ = steady_clock::now() + settings_.pruneEvery;
    bool moveDue = false;
    for (;;) {
        std::size_t n = 0;
        bool stop = false;
        std::uint64_t syncTarget = 0;
        {
            std::unique_lock lock(mutex_);
            const auto urgent = [&] {
                return count_ >= settings_.queueCapacity / 2 || stopping_ || syncWanted_ > syncDone_;
            };
            if (inTransaction_) {
                work_.wait_until(lock, commitDue_, urgent);
            } else if (!pruneDue_ && !moveDue) {
                // Nothing open: sleep until something comes (no wake-ups while idle),
                // or until it is time to sort the readings waiting in arrival order.
                const auto come = [&] { return count_ > 0 || urgent(); };
                if (unmoved_ >= static_cast<std::uint64_t>(settings_.moveBatch)) {
                    moveDue = count_ == 0;
                } else {
                    writerIdle_ = true;
                    if (unmoved_ == 0) work_.wait(lock, come);
                    else if (!work_.wait_for(lock, settings_.moveAfter, come)) moveDue = true;
                    writerIdle_ = false;
                }
            }
            batch.swap(queue_);
            wakeSent_ = false;
            n = count_;
            count_ = 0;
            stop = stopping_;
            syncTarget = syncWanted_;
        }
        if (settings_.waitWhenFull) room_.notify_all();
        if (n) write(batch, n);
        if (inTransaction_ &&
            (steady_clock::now() >= commitDue_ || stop || syncTarget || inTransactionItems_ >= settings_.commitItems))
            commit();
        if (syncTarget) {
            const std::lock_guard lock(mutex_);
            syncDone_ = std::max(syncDone_, syncTarget);
            synced_.notify_all();
        }
        if (stop) break;
        if (inTransaction_ || n) continue;
        if (pruneDue_) {
            pruneStep();
        } else if (moveDue) {
            moveDue = false;
            moveStep();
        }
    }
    if (inTransaction_) commit();
    pruneDue_ = true;
    for (int i = 0; i < kPruneBatchesAtClose && pruneDue_; ++i) pruneStep();
    // The writer's connection is the last one: closing it copies the rest of the log back.
    checkpointer_.stop();
    if (const std::string e = checkpointer_.takeError(); !e.empty()) failed(e, 0);
    writer_.close();
}

void HistoryStore::write(std::vector<Item>& batch, std::size_t count) {
    std::string error;
    if (!inTransaction_) {
        if (!writer_.begin(error)) {
            failed(error, count);
            return;
        }
        inTransaction_ = true;
        inTransactionItems_ = 0;
        transactionReadings_ = 0;
        transactionNewestMs_.reset();
        commitDue_ = steady_clock::now() + settings_.commitAfter;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!writeOne(batch[i], error)) {
            writer_.rollback();
            inTransaction_ = false;
            failed(error, inTransactionItems_ + (count - i));
            inTransactionItems_ = 0;
            return;
        }
        ++inTransactionItems_;
    }
}

bool HistoryStore::writeOne(const Item& item, std::string& error) {
    switch (item.index()) {
        case 0: {
            const Reading& r = std::get<Reading>(item);
            if (!writer_.addReading(r, error)) return false;
            const std::int64_t ms = storedTime(r.time).utcMs;
            if (!transactionNewestMs_ || ms > *transactionNewestMs_) transactionNewestMs_ = ms;
            ++transactionReadings_;
            return true;
        }
        case 1: return writer_.addBadFrame(std::get<BadFrameEvent>(item), error);
        case 2: return writer_.addConnection(std::get<ConnectionEvent>(item), error);
        default: return writer_.addTransmitterEvent(std::get<TransmitterEvent>(item), error);
    }
}

void HistoryStore::commit() {
    std::string error;
    const std::uint64_t items = inTransactionItems_;
    inTransaction_ = false;
    inTransactionItems_ = 0;
    if (!writer_.commit(error)) {
        failed(error, items);
        return;
    }
    failing_ = false;
    checkpointAfterCommit();
    unmoved_ += transactionReadings_;
    if (transactionNewestMs_ && (!newestMs_ || *transactionNewestMs_ > *newestMs_)) newestMs_ = transactionNewestMs_;
    if (transactionNewestMs_ && steady_clock::now() >= nextPrune_) pruneDue_ = true;
    const std::lock_guard lock(mutex_);
    stored_ += items;
}

void HistoryStore::checkpointAfterCommit() {
    if (!checkpointsApart_) return;
    std::string error = checkpointer_.takeError(), why;
    if (writer_.walPages() >= settings_.walLimitPages) {
        if (!checkpointer_.checkpointNow(why) && error.empty()) error = why;
    } else if (writer_.walPages() >= settings_.checkpointPages) {
        checkpointer_.request();
    }
    if (!error.empty()) failed(error, 0);
}

void HistoryStore::failed(const std::string& what, std::uint64_t items) {
    const std::lock_guard lock(mutex_);
    failedItems_ += items;
    if (failing_) return;
    failing_ = true;
    problems_.push_back("history: cannot write " + settings_.path + " (" + what +
                        "); decoding goes on, and what cannot be stored is counted");
}

void HistoryStore::pruneStep() {
    pruneDue_ = false;
    nextPrune_ = steady_clock::now() + settings_.pruneEvery;
    if (!newestMs_ || settings_.retentionDays <= 0) return;
    const std::int64_t cutoff = *newestMs_ - settings_.retentionDays * kDayMs;
    std::string error;
    bool more = false;
    if (!writer_.begin(error) || !writer_.prune(cutoff, settings_.pruneBatch, more, error)) {
        writer_.rollback();
        failed(error, 0);
        return;
    }
    if (!writer_.commit(error)) {
        failed(error, 0);
        return;
    }
    failing_ = false;
    checkpointAfterCommit();
    pruneDue_ = more;
}

void HistoryStore::moveStep() {
    std::string error;
    bool more = false;
    if (!writer_.begin(error) || !writer_.moveRecent(settings_.moveBatch, more, error)) {
        writer_.rollback();
        failed(error, 0);
        unmoved_ = 0;  // tried again after the next commit
        return;
    }
    if (!writer_.commit(error)) {
        failed(error, 0);
        unmoved_ = 0;
        return;
    }
    failing_ = false;
    checkpointAfterCommit();
    const auto moved = static_cast<std::uint64_t>(settings_.moveBatch);
    // While some are left, the next batch follows as soon as the writer is idle again.
    unmoved_ = more ? moved : 0;
}

}  // namespace ravo
