// Scaffolding of the InfluxDB tests: a real influxd (1.x) of the test's own on free
// ports of 127.0.0.1, a small recording HTTP server for the 2.x request shape, and
// child processes with an environment of their own.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ravo::test {

int freeLoopbackPort();

// An influxd with its own config file and data, meta and wal folders; both its
// HTTP and its RPC address on free ports of 127.0.0.1; reporting and the
// _internal store off.
class Influxd {
public:
    Influxd();
    ~Influxd();  // stops it and removes its folder
    // Empty when it answers /ping; else why it could not be started.
    std::string start();
    int port() const { return httpPort_; }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(httpPort_); }
    // A statement through /query (POST), e.g. CREATE DATABASE; the answer as JSON.
    nlohmann::json query(const std::string& db, const std::string& q);

private:
    std::string dir_;
    int httpPort_ = 0, rpcPort_ = 0;
    pid_t pid_ = -1;
};

// An HTTP server on a free port of 127.0.0.1 that records every request and
// answers each from a list (the last answer repeats), or never answers at all.
struct HttpRequest {
    std::string method, target;                  // target: path and query
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

class HttpRecorder {
public:
    struct Answer {
        int status = 204;
        std::string body;
    };
    explicit HttpRecorder(std::vector<Answer> answers, bool silent = false);
    ~HttpRecorder();
    int port() const { return port_; }
    std::vector<HttpRequest> requests() const;
    // Waits at most `timeout` until `n` requests have come.
    bool waitFor(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(10));

private:
    void run();
    void serve(int fd);
    int listener_ = -1, port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::vector<Answer> answers_;
    bool silent_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<HttpRequest> requests_;
};

// Runs `args` with `env` added to the environment, stdout and stderr to files of
// their own, and waits at most `timeout`; the exit status, or -1.
int run(const std::vector<std::string>& args, const std::vector<std::string>& env, const std::string& out,
        const std::string& err, std::chrono::milliseconds timeout);

std::string slurp(const std::string& path);

}  // namespace ravo::test
