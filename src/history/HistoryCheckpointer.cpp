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
    wake_.notify_one();
}

void HistoryCheckpointer::stop() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_one();
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

std::uint64_t HistoryCheckpointer::done() const {
    const std::lock_guard lock(mutex_);
    return done_;
}

void HistoryCheckpointer::run() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return wanted_ || stopping_; });
            if (stopping_) return;
            wanted_ = false;
        }
        const int rc = sqlite3_wal_checkpoint_v2(db_.get(), "main", SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        const std::lock_guard lock(mutex_);
        // Busy: another connection is copying; what is left goes next time. A
        // failure is told once until a checkpoint succeeds again.
        if (rc == SQLITE_OK) {
            ++done_;
            failing_ = false;
        } else if (rc != SQLITE_BUSY && !failing_) {
            failing_ = true;
            error_ = "cannot copy the log back: " + db_.lastError();
        }
    }
}

}  // namespace ravo
