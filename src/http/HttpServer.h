// The read-only HTTP server on libmicrohttpd: its own threads (one per
// connection, capped), bounded requests and clients, the token and the Host
// check, TLS when given a certificate. It reads the feed's snapshots and events
// and never holds up the decoding thread. docs/HTTP.md says what it serves.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "http/HttpFeed.h"
#include "http/HttpRequest.h"

struct MHD_Daemon;

namespace ravo {

class TlsCredentials;

struct HttpServerSettings {
    HttpAddress address;
    std::string token;             // empty: none asked for (loopback only)
    std::string certPem, keyPem;   // both: HTTPS
    std::string historyPath;       // empty: /api/readings says there is no history
    unsigned connections = 64;     // at once, in all
    unsigned perAddress = 16;      // at once, from one client address
    unsigned timeoutSeconds = 10;  // an idle connection is closed
    // An event stream sends a comment this often when there is nothing else, and
    // is closed when nothing could be written to its client for this long.
    std::chrono::milliseconds keepAlive{15000};
    unsigned streamTimeoutSeconds = 60;
    std::size_t requestMemory = 16 * 1024;  // request line and headers, per connection
    unsigned maxHeaders = 64;
    std::size_t readingsLimit = 32u << 20;  // bytes of one /api/readings answer
};

class HttpServer {
public:
    HttpServer(HttpFeed& feed, HttpServerSettings settings);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds and starts serving; false with a one-line reason.
    bool start(std::string& error);
    // Closes every connection (event streams end) and waits for the threads.
    void stop();

    // Serves the new certificate and key from the next connection on (the ones
    // open go on with theirs); false with a one-line reason, and the old ones
    // kept, when they cannot be used. Only for a server started with them.
    bool reloadCertificate(const std::string& certPem, const std::string& keyPem, std::string& error);

    int port() const { return port_; }
    // "http://127.0.0.1:8080/"
    std::string url() const;
    // Event-stream clients dropped for falling too far behind.
    std::uint64_t droppedClients() const { return dropped_; }

    // For the libmicrohttpd callbacks.
    struct Impl;

private:
    void forgetCertificates();

    HttpFeed& feed_;
    HttpServerSettings settings_;
    MHD_Daemon* daemon_ = nullptr;
    int socket_ = -1;
    int port_ = 0;
    std::atomic<std::uint64_t> dropped_{0};
    // Every certificate served since the start: a handshake that began with one
    // may still be using it, and a reload is rare. The newest is served.
    std::vector<std::unique_ptr<TlsCredentials>> certificates_;
    const TlsCredentials* certificate_ = nullptr;  // under the lock of the handshake's lookup
};

}  // namespace ravo
