// A mosquitto broker of the test's own on a free port of 127.0.0.1 (its own
// config file, no persistence), and a subscriber that records what it hears.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace ravo::test {

// The broker's program, or empty when mosquitto is not installed.
std::string mosquittoProgram();

class Broker {
public:
    // Picks a port; start() runs the broker. A persistent broker keeps the sessions
    // of its subscribers (and what is queued for them) across a restart.
    explicit Broker(bool persistent = false);
    ~Broker();  // stops it
    bool start();    // false when it does not accept connections within 5 s
    void stop();     // SIGTERM, waits for the end
    int port() const { return port_; }

private:
    std::string dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

struct Heard {
    std::string topic;
    std::string payload;
    bool retained;
};

class Subscriber {
public:
    // Connects and subscribes (ok() says whether it could). With a client id the
    // session is persistent: a broker that keeps it queues what comes while the
    // subscriber is away, and the subscriber reconnects by itself.
    explicit Subscriber(int port, const std::string& topic = "#", const std::string& clientId = "");
    ~Subscriber();
    bool ok() const { return ok_; }

    // Waits until `done` holds for what was heard so far, at most `timeout`.
    bool waitFor(const std::function<bool(const std::vector<Heard>&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::vector<Heard> heard() const;
    std::vector<Heard> on(const std::string& topic) const;  // what came on one topic

private:
    static void onMessage(mosquitto*, void*, const mosquitto_message*);
    mosquitto* client_ = nullptr;
    bool ok_ = false;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Heard> heard_;
};

// Runs PROGRAM with ARGS, standard output and error to `log`; returns its pid.
pid_t spawn(const std::vector<std::string>& args, const std::string& log);
// Waits for the process to end, at most `timeout`; its exit status, or -1.
int waitExit(pid_t pid, std::chrono::milliseconds timeout);

}  // namespace ravo::test
