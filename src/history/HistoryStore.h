// Every reading kept in a SQLite file: the history store as a reading sink of the
// receiver. The decoding thread only copies what it is handed into a bounded
// queue; the store's own thread inserts it, commits at least once a second (a
// killed program loses at most the last second), and deletes what is older than
// the retention, counted back from the newest reading in the store, in small
// batches.
//
// A full queue: in a live run what does not fit is counted and dropped (the
// decoding thread never waits for the disk); in a replay of a file
// (`waitWhenFull`) the decoding thread waits for room. A disk that is full, or a
// file that is locked, read-only or damaged, is told once (takeProblems) and
// decoding goes on; what could not be stored is counted.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "history/HistoryCheckpointer.h"
#include "history/HistoryWriter.h"
#include "readings/Reading.h"

namespace ravo {

struct HistorySettings {
    std::string path;
    int retentionDays = 400;
    bool waitWhenFull = false;
    std::size_t queueCapacity = 16384;
    // A transaction is committed this long after its first insert.
    std::chrono::milliseconds commitAfter{800};
    // ... or once it holds this many (a few MiB of log, which can then be copied
    // back while the next are written).
    std::uint64_t commitItems = 65536;
    std::int64_t pruneBatch = 1000;
    // How often the retention is looked at while running (and at the start and the end).
    std::chrono::seconds pruneEvery{60};
    // Readings go into the store in arrival order and are sorted into the order
    // of address and time while the writer has nothing else to do: this many at a
    // time, as soon as that many wait, else after the writer was idle this long.
    std::int64_t moveBatch = 16384;
    std::chrono::milliseconds moveAfter{5000};
    // The log is copied back into the file on a thread of its own once it holds
    // this many pages after a commit; at the limit the writer copies the rest
    // itself, so that the log starts over (a copy that runs while the writer
    // writes never catches up with it).
    int checkpointPages = 2048;
    int walLimitPages = 16384;
    // How long a write waits for a lock another program holds.
    int busyTimeoutMs = kHistoryBusyTimeoutMs;
};

class HistoryStore : public ReadingSink {
public:
    explicit HistoryStore(HistorySettings settings);
    ~HistoryStore() override;
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;

    // Opens or creates the file, brings its tables to this version and starts the
    // store's thread. False with a one-line reason (e.g. a newer schema).
    bool open(std::string& error);

    // ReadingSink, on the decoding thread.
    void reading(const Reading& r) override;
    void badFrame(const BadFrameEvent& e) override;
    void connection(const ConnectionEvent& e) override;
    // A silence or return the transmitter registry decided.
    void transmitterEvent(const TransmitterEvent& e);

    // Waits until everything handed over so far is committed (or counted lost).
    void sync();
    // Stores what is queued, prunes, and closes the file. Idempotent.
    void close();

    // Lines to tell the operator, each once: a failure to write (one per spell of
    // failures), readings dropped because the queue was full, and at close what
    // could not be stored. Any thread.
    std::vector<std::string> takeProblems();
    std::uint64_t stored() const;
    // Handed over but not stored: dropped from a full queue, or in a failed write.
    std::uint64_t lost() const;
    const std::string& path() const { return settings_.path; }

private:
    // A reading is queued without its line (the store does not keep it).
    using Item = std::variant<Reading, BadFrameEvent, ConnectionEvent, TransmitterEvent>;

    template <typename Fill>
    void push(Fill fill);
    void run();
    // Inserts a batch; a failure rolls back the open transaction.
    void write(std::vector<Item>& batch, std::size_t count);
    bool writeOne(const Item& item, std::string& error);
    void commit();
    // Has the log copied back once it has grown (see HistorySettings).
    void checkpointAfterCommit();
    void failed(const std::string& what, std::uint64_t items);
    void pruneStep();
    void moveStep();

    HistorySettings settings_;
    HistoryWriter writer_;  // the store's thread only, once started
    HistoryCheckpointer checkpointer_;
    bool checkpointsApart_ = false;  // the checkpointer runs (else the writer checkpoints at its commits)
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable work_;  // the writer waits for items
    std::condition_variable room_;  // a waiting producer waits for room
    std::condition_variable synced_;
    std::vector<Item> queue_;  // slots kept from batch to batch; the first count_ hold items
    std::size_t count_ = 0;
    bool writerIdle_ = false;
    bool wakeSent_ = false;  // the writer was woken and has not taken the queue yet
    bool stopping_ = false;
    bool running_ = false;
    std::uint64_t syncWanted_ = 0, syncDone_ = 0;
    std::uint64_t stored_ = 0, dropped_ = 0, failedItems_ = 0;
    bool droppedTold_ = false;
    std::vector<std::string> problems_;

    // The writer thread's own.
    bool inTransaction_ = false;
    std::uint64_t inTransactionItems_ = 0, transactionReadings_ = 0;
    std::chrono::steady_clock::time_point commitDue_;
    bool failing_ = false;
    std::optional<std::int64_t> newestMs_, transactionNewestMs_;
    bool pruneDue_ = true;
    std::uint64_t unmoved_ = 0;  // readings stored in arrival order (an estimate: at least one when any)
    std::chrono::steady_clock::time_point nextPrune_;
};

}  // namespace ravo
