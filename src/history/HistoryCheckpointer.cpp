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
    wanted_ = false;  // this one does what was asked
    const int rc = checkpoint(lock, error);
    return rc == SQLITE_OK || rc == SQLITE_BUSY;
}

int HistoryCheckpointer::checkpoint(std::unique_lock<std::mutex>& lock, std::string& error) {
    running_ = true;
    lock.unlock();
    const int rc = sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    // Busy: another program is copying; what is left goes next time.
    if (rc != SQLITE_OK && rc != SQLITE_BUSY) error = "cannot copy the log back: " + db_.lastError();
    lock.lock();
    running_ = false;
    changed_.notify_all();
    return rc;
}

void HistoryCheckpointer::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return (wanted_ && !running_) || stopping_; });
        if (stopping_) return;
        wanted_ = false;
        std::string why;
        const int rc = checkpoint(lock, why);
        // A failure is told once until a checkpoint succeeds again.
        if (rc == SQLITE_OK) {
            failing_ = false;
        } else if (!why.empty() && !failing_) {
            failing_ = true;
            error_ = why;
        }
    }
}

}  // namespace ravo
