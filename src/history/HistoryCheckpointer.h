// Copies the store's write-ahead log back into the file on a thread of its own,
// with a connection of its own, so that the writer never waits for it: a
// checkpoint reads and writes every page the log holds and waits for the disk
// twice, which took the writer a fifth of a second a time while readings
// queued up behind it. The checkpoint is passive: it copies what is committed
// and takes no lock the writer or a reader needs.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "history/SqliteDb.h"

namespace ravo {

class HistoryCheckpointer {
public:
    HistoryCheckpointer() = default;
    ~HistoryCheckpointer() { stop(); }
    HistoryCheckpointer(const HistoryCheckpointer&) = delete;
    HistoryCheckpointer& operator=(const HistoryCheckpointer&) = delete;

    // Opens its connection to the store at `path` and starts the thread. False
    // with a reason.
    bool start(const std::string& path, std::string& error);
    // Asks for a checkpoint; returns at once. Requests while one runs are one.
    void request();
    // Copies the log back now, on the caller's thread, after the checkpoint under
    // way if there is one (which may have started before the last commit). False
    // with a reason.
    bool checkpointNow(std::string& error);
    // Ends the thread after the checkpoint under way and closes the connection.
    void stop();

    // Why checkpoints began to fail, once a spell of failures, or "".
    std::string takeError();

private:
    void run();
    // Runs one checkpoint on the connection with the lock let go meanwhile
    // (running_ keeps others off the connection); the SQLite result, and why it
    // failed in `error`.
    int checkpoint(std::unique_lock<std::mutex>& lock, std::string& error);

    SqliteDb db_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool wanted_ = false, stopping_ = false, failing_ = false;
    bool running_ = false;  // a checkpoint runs on the connection
    std::string error_;
};

}  // namespace ravo
