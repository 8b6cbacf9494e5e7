// Writes every reading to InfluxDB as a line of line protocol, over HTTP(S) with
// libcurl, on a thread of its own, so that the decoding thread only ever formats
// the line and appends it to a bounded queue.
//
// The thread posts the queued lines in batches (up to batchLines lines, or what
// has waited batchDelay). A batch the server did not take for a reason that may
// pass (no connection, a server error, a missing database, a refused password or
// token) stays at the front and is sent again after a back-off that doubles up
// to lastRetry; the lines behind it wait in the queue. A batch the server refuses
// as such (HTTP 400: a line it cannot parse, a field of another type than before)
// would be refused again: it is dropped and counted. Past queueLimit lines, new
// lines are dropped and counted. Why the last request failed is kept as one line
// until a request succeeds, so a front end tells it once, not once per batch.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "influx/InfluxUrl.h"
#include "readings/Reading.h"

namespace ravo {

struct InfluxWriterSettings {
    InfluxUrl url;
    std::string token;                // the 1.x password (with url.user) or the 2.x token; empty: none
    std::string caFile;               // https: the certificates to trust; empty: the system's
    std::size_t queueLimit = 100000;  // lines queued or being sent; more are dropped and counted
    std::size_t batchLines = 5000;
    std::chrono::milliseconds batchDelay{1000};  // the longest a line waits for its batch to fill
    std::chrono::milliseconds firstRetry{1000};  // after a failed request, doubled after each failure
    std::chrono::milliseconds lastRetry{30000};
    std::chrono::milliseconds connectTimeout{5000};
    std::chrono::milliseconds requestTimeout{15000};
};

class InfluxWriter : public ReadingSink {
public:
    explicit InfluxWriter(InfluxWriterSettings settings);
    ~InfluxWriter() override;  // stop()
    InfluxWriter(const InfluxWriter&) = delete;
    InfluxWriter& operator=(const InfluxWriter&) = delete;

    // Starts the sending thread. Returns at once; false with a reason when the CA
    // file cannot be read or libcurl cannot be had.
    bool start(std::string& error);

    // The reading as a line, queued; never waits for the network.
    void reading(const Reading& r) override;
    void badFrame(const BadFrameEvent&) override {}
    bool wantsBadFrames() const override { return false; }

    // Queues one line (without its line end). False when the queue is at its
    // bound: the line is dropped and counted.
    bool write(std::string line);

    // Sends what is queued at once, without waiting for batches to fill, and waits
    // until the server has taken it or `timeout` has passed; returns whether
    // nothing is left.
    bool waitUntilDelivered(std::chrono::milliseconds timeout);

    // Ends the thread, breaking off a request under way; what is still queued then
    // is not sent. Safe to call more than once.
    void stop();

    std::uint64_t written() const { return written_.load(); }  // lines the server took
    std::uint64_t dropped() const { return dropped_.load(); }  // lines dropped at the queue's bound
    std::uint64_t refused() const { return refused_.load(); }  // lines of batches the server refused (HTTP 400)
    std::size_t backlog() const;                               // lines queued or being sent
    bool failing() const;                                      // the last request failed
    std::string lastError() const;                             // why the last request failed; empty after a success
    std::string lastRefusal() const;                           // the server's word on the last refused batch
    const InfluxUrl& url() const { return settings_.url; }

    // One line for a status bar or a log, e.g. `InfluxDB: writing to 127.0.0.1:8086
    // database "ravo", 1200 lines written, 0 dropped`.
    std::string statusText() const;

private:
    enum class Outcome { Taken, Retry, Refused };
    void run();
    Outcome post(void* curl, const std::string& body, std::size_t lines, std::string& why);
    std::string httpError(long status, const std::string& body) const;

    const InfluxWriterSettings settings_;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::atomic<bool> draining_{false};
    std::atomic<std::uint64_t> written_{0}, dropped_{0}, refused_{0};
    std::atomic<std::size_t> held_{0};  // queue_ + the batch being sent; read without the lock to drop early

    mutable std::mutex mutex_;  // guards everything below
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<std::string> queue_;
    std::chrono::steady_clock::time_point firstQueued_;  // when the oldest line of queue_ came
    std::string lastError_;
    std::string lastRefusal_;
};

}  // namespace ravo
