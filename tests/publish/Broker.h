// A mosquitto of the test's own on a free port of 127.0.0.1 (own config file), a
// subscriber over libmosquitto that records what it hears, and child processes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace ravo::test {

std::string mosquittoProgram();  // empty when mosquitto is not installed

class Broker {
public:
    // A persistent broker keeps its subscribers' sessions (and what waits for them) across a restart.
    // `listenerConfig`: lines for its listener (cafile, certfile, keyfile: a TLS listener).
    explicit Broker(bool persistent = false, const std::string& listenerConfig = "");
    ~Broker();
    bool start();  // false when it does not accept connections within 5 s
    void stop();   // SIGTERM, and waits for the end
    int port() const { return port_; }

private:
    std::string dir_;
    int port_ = 0;
    pid_t pid_ = -1;
};

struct Heard {
    std::string topic, payload;
    bool retained;
};
using HeardList = std::vector<Heard>;

class Subscriber {
public:
    // Subscribes to `topic`; with a client id the session is persistent and the
    // subscriber reconnects by itself.
    explicit Subscriber(int port, const std::string& topic = "#", const std::string& clientId = "");
    ~Subscriber();
    bool ok() const { return ok_; }
    // Waits at most `timeout` until `done` holds for what was heard.
    bool waitFor(const std::function<bool(const HeardList&)>& done,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10));
    HeardList on(const std::string& topic) const;  // "" for everything

private:
    static void onMessage(mosquitto*, void*, const mosquitto_message*);
    mosquitto* client_ = nullptr;
    bool ok_ = false;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    HeardList heard_;
};

// Whether the last message on `topic` said `value`.
std::function<bool(const HeardList&)> lastIs(const std::string& topic, const std::string& value);

pid_t spawn(const std::vector<std::string>& args, const std::string& log);  // stdout and stderr to `log`
int waitExit(pid_t pid, std::chrono::milliseconds timeout);                 // exit status, or -1
}  // namespace ravo::test
