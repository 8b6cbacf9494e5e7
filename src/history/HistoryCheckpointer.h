// Copies the store's write-ahead log back into the file on a thread of its own,
// with a connection of its own, so that the writer never waits for it: a
// checkpoint reads and writes every page the log holds and waits for the disk
// twice, which took the writer a fifth of a second a time while readings
// queued up behind it. The checkpoint is passive: it copies what is committed
// and takes no lock the writer or a reader needs.
#pragma once

#include <condition_variable>
#include <cstdint>
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
    // Ends the thread after the checkpoint under way and closes the connection.
    void stop();

    // Why checkpoints began to fail, once a spell of failures, or "".
    std::string takeError();
    // Checkpoints run to their end (for tests and figures).
    std::uint64_t done() const;

private:
    void run();

    SqliteDb db_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool wanted_ = false, stopping_ = false, failing_ = false;
    std::uint64_t done_ = 0;
    std::string error_;
};

}  // namespace ravo
