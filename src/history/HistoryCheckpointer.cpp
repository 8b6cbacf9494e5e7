#include "history/HistoryCheckpointer.h"

#include "history/HistorySchema.h"

namespace ravo {

bool HistoryCheckpointer::start(const std::string& path, std::string& error) {
    std::string why;
    if (!db_.open(path, false, false, why)) {
        error = "cannot open " + path + " to copy its log back: " + why;
        return false;
    }
    sqlite3_busy_timeout(db_.get(), kHistoryBusyTimeoutMs);
    // The same promise as the writer's: the log is on the disk before the file
    // is written, and the file after.
    if (!db_.exec("PRAGMA synchronous=NORMAL", why)) {
        db_.close();
        error = "cannot use " + path + ": " + why;
        return false;
    }
    {
        const std::lock_guard lock(mutex_);
        stopping_ = false;
        wanted_ = false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void HistoryCheckpointer::request() {
    const std::lock_guard lock(mutex_);
    wanted_ = true;
    changed_.notify_all();
}

void HistoryCheckpointer::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    db_.close();
}

std::string HistoryCheckpointer::takeError() {
    const std::lock_guard lock(mutex_);
    std::string out;
    out.swap(error_);
    return out;
}

bool HistoryCheckpointer::checkpointNow(std::string& error) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !running_; });
    running_ = true;
    wanted_ = false;  // this one does what was asked
    lock.unlock();
    const int rc = checkpoint();
    const bool ok = rc == SQLITE_OK || rc == SQLITE_BUSY;
    if (!ok) error = "cannot copy the log back: " + db_.lastError();
    lock.lock();
    running_ = false;
    changed_.notify_all();
    return ok;
}

int HistoryCheckpointer::checkpoint() {
    return sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

void HistoryCheckpointer::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return (wanted_ && !running_) || stopping_; });
        if (stopping_) return;
        wanted_ = false;
        running_ = true;
        lock.unlock();
        const int rc = checkpoint();
        const std::string why = rc == SQLITE_OK || rc == SQLITE_BUSY ? std::string() : db_.lastError();
        lock.lock();
        running_ = false;
        changed_.notify_all();
        // Busy: another program is copying; what is left goes next time. A
        // failure is told once until a checkpoint succeeds again.
        if (rc == SQLITE_OK) {
            failing_ = false;
        } else if (rc != SQLITE_BUSY && !failing_) {
            failing_ = true;
            error_ = "cannot copy the log back: " + why;
        }
    }
}

}  // namespace ravo
