#include "http/HttpServer.h"

#include <arpa/inet.h>
#include <gnutls/abstract.h>
#include <gnutls/gnutls.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "http/HttpApi.h"
#include "http/HttpRouter.h"
#include "http/TlsCredentials.h"

namespace ravo {

namespace {

// GnuTLS asks for the certificate of each handshake without a pointer of ours;
// the server is found by the local port of the connection's socket.
std::mutex tlsLock;
std::map<std::pair<int, int>, const TlsCredentials**> tlsServers;  // (family, port): the server's current one

std::pair<int, int> localPort(int fd) {
    sockaddr_storage a{};
    socklen_t length = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) return {-1, -1};
    if (a.ss_family == AF_INET6) return {AF_INET6, ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port)};
    return {a.ss_family, ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port)};
}

int certificateFor(gnutls_session_t session, const gnutls_datum_t*, int, const gnutls_pk_algorithm_t*, int,
                   gnutls_pcert_st** chain, unsigned int* length, gnutls_privkey_t* key) {
    int in = -1, out = -1;
    gnutls_transport_get_int2(session, &in, &out);
    const std::pair<int, int> port = localPort(in);
    std::lock_guard<std::mutex> lock(tlsLock);
    auto found = tlsServers.find(port);
    // Should the socket not be told, the one server of the program is the one asked.
    if (found == tlsServers.end() && tlsServers.size() == 1) found = tlsServers.begin();
    if (found == tlsServers.end() || !*found->second) return -1;
    const TlsCredentials& c = **found->second;
    *chain = static_cast<gnutls_pcert_st*>(c.chain());
    *length = c.chainLength();
    *key = static_cast<gnutls_privkey_t>(c.key());
    return 0;
}

}  // namespace

struct HttpServer::Impl {
    // One request: the target as sent (before the server library takes it apart).
    struct Request {
        std::string target;
        bool seen = false;
    };

    // One event-stream client.
    struct Stream {
        HttpServer* server;
        std::uint64_t last = 0;  // the id of the last event sent
        bool resumed = false;    // came back with Last-Event-ID; not yet looked at
        std::string pending;
        std::size_t offset = 0;
        std::vector<EventRing::Event> events;
    };

    static void* uriLog(void*, const char* uri, MHD_Connection*) { return new Request{uri ? uri : "", false}; }

    static void completed(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode) {
        delete static_cast<Request*>(*state);
        *state = nullptr;
    }

    static MHD_Result answer(MHD_Connection* c, int status, const char* type, const std::string& body,
                             const std::vector<std::pair<std::string, std::string>>& headers = {}) {
#if MHD_VERSION >= 0x00097701
        MHD_Response* r = MHD_create_response_from_buffer_copy(body.size(), body.data());
#else
        MHD_Response* r =
            MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
#endif
        if (!r) return MHD_NO;
        MHD_add_response_header(r, "Content-Type", type);
        MHD_add_response_header(r, "Cache-Control", "no-store");
        MHD_add_response_header(r, "X-Content-Type-Options", "nosniff");
        for (const auto& [k, v] : headers) MHD_add_response_header(r, k.c_str(), v.c_str());
        const MHD_Result q = MHD_queue_response(c, static_cast<unsigned>(status), r);
        MHD_destroy_response(r);
        return q;
    }

    static MHD_Result text(MHD_Connection* c, int status, const std::string& line,
                           const std::vector<std::pair<std::string, std::string>>& headers = {}) {
        return answer(c, status, "text/plain; charset=utf-8", line + "\n", headers);
    }

    static std::optional<std::string_view> header(MHD_Connection* c, const char* name) {
        const char* v = MHD_lookup_connection_value(c, MHD_HEADER_KIND, name);
        if (!v) return std::nullopt;
        return std::string_view(v);
    }

    static MHD_Result access(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                             const char*, size_t* uploadSize, void** state) {
        HttpServer& server = *static_cast<HttpServer*>(cls);
        auto* request = static_cast<Request*>(*state);
        if (!request) {
            request = new Request{url ? url : "", false};
            *state = request;
        }
        const HttpServerSettings& s = server.settings_;
        if (!request->seen) {
            // The headers are in. A request refused here is answered at once and
            // its connection closed; any other is answered on the next call, once
            // the request is complete, so that the connection may be kept.
            request->seen = true;
            if (MHD_get_connection_values(c, MHD_HEADER_KIND, nullptr, nullptr) > static_cast<int>(s.maxHeaders))
                return text(c, 431, "too many header fields");
            const auto length = header(c, "Content-Length");
            if ((length && *length != "0") || header(c, "Transfer-Encoding"))
                return text(c, 413, "requests here carry no body");
            return MHD_YES;
        }
        if (*uploadSize != 0) {
            *uploadSize = 0;  // not reached: a body was refused above
            return MHD_YES;
        }

        const HttpRequest in{method, request->target, header(c, "Host"), header(c, "Authorization"),
                             header(c, "Last-Event-ID")};
        const RouterSettings router{s.token.empty() && s.address.loopback(), s.token};
        const Route route = routeRequest(in, router);
        if (route.status != 200) return text(c, route.status, route.reason, route.headers);

        constexpr const char* kJson = "application/json; charset=utf-8";
        switch (route.endpoint) {
            case Endpoint::Health: return text(c, 200, "ok");
            case Endpoint::Page:
                return answer(c, 200, std::string(route.asset->type).c_str(), std::string(route.asset->body));
            case Endpoint::Status: return answer(c, 200, kJson, statusBody(*server.feed_.snapshot()));
            case Endpoint::Transmitters: return answer(c, 200, kJson, transmittersBody(*server.feed_.snapshot()));
            case Endpoint::Transmitter: {
                const std::string body = transmitterBody(*server.feed_.snapshot(), route.address);
                if (body.empty()) return text(c, 404, "transmitter " + std::to_string(route.address) + " is not held");
                return answer(c, 200, kJson, body);
            }
            case Endpoint::Readings: {
                std::string body, reason;
                int status = 200;
                if (!readingsBody(s.historyPath, route.readings, s.readingsLimit, body, status, reason))
                    return text(c, status, reason);
                return answer(c, 200, "application/x-ndjson; charset=utf-8", body);
            }
            case Endpoint::Metrics:
                return answer(c, 200, "text/plain; version=0.0.4; charset=utf-8",
                              metricsBody(*server.feed_.snapshot()));
            case Endpoint::Events: return events(server, c, route);
            case Endpoint::None: break;
        }
        return text(c, 404, "no such path");
    }

    static MHD_Result events(HttpServer& server, MHD_Connection* c, const Route& route) {
        auto stream = std::make_unique<Stream>();
        stream->server = &server;
        EventRing& ring = server.feed_.events();
        const std::uint64_t newest = ring.newest();
        // Without Last-Event-ID only what comes from now on; with one, what came
        // after it (all that is held when the id is from before a restart).
        stream->last = route.lastEventId ? (*route.lastEventId > newest ? 0 : *route.lastEventId) : newest;
        stream->resumed = stream->last != 0;
        stream->pending = "retry: 3000\n\n";
        MHD_Response* r = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 16 * 1024, &Impl::read, stream.get(),
                                                            &Impl::freeStream);
        if (!r) return MHD_NO;
        stream.release();
        MHD_add_response_header(r, "Content-Type", "text/event-stream; charset=utf-8");
        MHD_add_response_header(r, "Cache-Control", "no-store");
        MHD_add_response_header(r, "X-Content-Type-Options", "nosniff");
        MHD_set_connection_option(c, MHD_CONNECTION_OPTION_TIMEOUT, server.settings_.streamTimeoutSeconds);
        const MHD_Result q = MHD_queue_response(c, MHD_HTTP_OK, r);
        MHD_destroy_response(r);
        return q;
    }

    static void freeStream(void* cls) { delete static_cast<Stream*>(cls); }

    // Waits for events on the connection's own thread; the decoding thread only
    // ever pushes to the ring.
    static ssize_t read(void* cls, uint64_t, char* buf, size_t max) {
        Stream& s = *static_cast<Stream*>(cls);
        if (s.offset == s.pending.size()) {
            s.pending.clear();
            s.offset = 0;
            EventRing& ring = s.server->feed_.events();
            const std::uint64_t held = ring.newest() >= ring.capacity() ? ring.newest() - ring.capacity() + 1 : 1;
            const bool resumed = s.resumed;
            s.resumed = false;
            if (resumed && s.last + 1 < held) {
                // Reconnected after more than the ring holds: say what is missing, go on from the oldest.
                s.pending = ": events " + std::to_string(s.last + 1) + " to " + std::to_string(held - 1) +
                            " are no longer held\n\n";
                s.last = held - 1;
            } else {
                switch (ring.take(s.last, 256, s.events, s.server->settings_.keepAlive)) {
                    case EventRing::Take::Events:
                        for (const EventRing::Event& e : s.events) {
                            s.pending += "id: " + std::to_string(e.id) + "\ndata: ";
                            s.pending += e.json;
                            s.pending += "\n\n";
                        }
                        s.last = s.events.back().id;
                        break;
                    case EventRing::Take::Timeout: s.pending = ": keep-alive\n\n"; break;
                    case EventRing::Take::Behind:
                        if (s.last == 0) {  // a new client asking for all: from the oldest held
                            s.last = held - 1;
                            s.pending = ": keep-alive\n\n";
                            break;
                        }
                        // Too slow to keep up: dropped; it may come back with Last-Event-ID.
                        ++s.server->dropped_;
                        return MHD_CONTENT_READER_END_WITH_ERROR;
                    case EventRing::Take::Closed: return MHD_CONTENT_READER_END_OF_STREAM;
                }
            }
        }
        const size_t n = std::min(max, s.pending.size() - s.offset);
        std::memcpy(buf, s.pending.data() + s.offset, n);
        s.offset += n;
        return static_cast<ssize_t>(n);
    }
};

HttpServer::HttpServer(HttpFeed& feed, HttpServerSettings settings) : feed_(feed), settings_(std::move(settings)) {}

HttpServer::~HttpServer() { stop(); }

std::string HttpServer::url() const {
    const bool tls = !settings_.certPem.empty();
    return std::string(tls ? "https://" : "http://") + settings_.address.text(port_) + "/";
}

bool HttpServer::start(std::string& error) {
    const HttpAddress& a = settings_.address;
    const bool tls = !settings_.certPem.empty();
    if (tls && MHD_is_feature_supported(MHD_FEATURE_TLS) != MHD_YES) {
        error = "--http-cert: this libmicrohttpd has no TLS";
        return false;
    }
    // The socket is bound here, so that a failure can be told with its reason.
    sockaddr_storage addr{};
    socklen_t length;
    if (a.ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&addr);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(static_cast<uint16_t>(a.port));
        if (inet_pton(AF_INET6, a.host.c_str(), &in6->sin6_addr) != 1) {
            error = "--http: '" + a.host + "' is not an address";
            return false;
        }
        length = sizeof *in6;
    } else {
        auto* in4 = reinterpret_cast<sockaddr_in*>(&addr);
        in4->sin_family = AF_INET;
        in4->sin_port = htons(static_cast<uint16_t>(a.port));
        if (inet_pton(AF_INET, a.host.c_str(), &in4->sin_addr) != 1) {
            error = "--http: '" + a.host + "' is not an address";
            return false;
        }
        length = sizeof *in4;
    }
    socket_ = ::socket(a.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        error = std::string("--http: cannot open a socket: ") + std::strerror(errno);
        return false;
    }
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (a.ipv6) setsockopt(socket_, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&addr), length) != 0 || ::listen(socket_, 64) != 0) {
        error = "--http: cannot listen on " + a.text(a.port) + ": " + std::strerror(errno);
        ::close(socket_);
        socket_ = -1;
        return false;
    }
    sockaddr_storage bound{};
    socklen_t boundLength = sizeof bound;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&bound), &boundLength);
    port_ = ntohs(a.ipv6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                         : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);

    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_THREAD_PER_CONNECTION | MHD_USE_POLL;
    if (a.ipv6) flags |= MHD_USE_IPv6;
    if (tls) flags |= MHD_USE_TLS;
    std::vector<MHD_OptionItem> options = {
        {MHD_OPTION_LISTEN_SOCKET, socket_, nullptr},
        {MHD_OPTION_CONNECTION_LIMIT, settings_.connections, nullptr},
        {MHD_OPTION_PER_IP_CONNECTION_LIMIT, settings_.perAddress, nullptr},
        {MHD_OPTION_CONNECTION_TIMEOUT, settings_.timeoutSeconds, nullptr},
        {MHD_OPTION_CONNECTION_MEMORY_LIMIT, static_cast<intptr_t>(settings_.requestMemory), nullptr},
        {MHD_OPTION_URI_LOG_CALLBACK, reinterpret_cast<intptr_t>(&Impl::uriLog), nullptr},
        {MHD_OPTION_NOTIFY_COMPLETED, reinterpret_cast<intptr_t>(&Impl::completed), nullptr},
    };
    if (tls) {
        // The certificate is handed over at each handshake, so that a new one can
        // be served without closing anything.
        std::unique_ptr<TlsCredentials> first = TlsCredentials::load(settings_.certPem, settings_.keyPem, error);
        if (!first) {
            error = "--http: cannot start the HTTPS server: " + error +
                    " (do --http-cert and --http-key hold a matching PEM certificate and key?)";
            ::close(socket_);
            socket_ = -1;
            return false;
        }
        std::lock_guard<std::mutex> lock(tlsLock);
        certificate_ = first.get();
        certificates_.push_back(std::move(first));
        tlsServers[{a.ipv6 ? AF_INET6 : AF_INET, port_}] = &certificate_;
        options.push_back({MHD_OPTION_HTTPS_CERT_CALLBACK, 0, reinterpret_cast<void*>(&certificateFor)});
    }
    options.push_back({MHD_OPTION_END, 0, nullptr});
    daemon_ = MHD_start_daemon(flags, 0, nullptr, nullptr, &Impl::access, this, MHD_OPTION_ARRAY, options.data(),
                               MHD_OPTION_END);
    if (!daemon_) {
        forgetCertificates();
        socket_ = -1;  // left to the library, which may have closed it
        error = tls ? "--http: cannot start the HTTPS server (do --http-cert and --http-key hold a matching PEM "
                      "certificate and key?)"
                    : "--http: cannot start the HTTP server";
        return false;
    }
    socket_ = -1;  // the library's now: closed when it stops
    return true;
}

void HttpServer::stop() {
    if (!daemon_) return;
    feed_.events().close();  // event streams end
    MHD_stop_daemon(daemon_);
    daemon_ = nullptr;
    forgetCertificates();
}

void HttpServer::forgetCertificates() {
    std::lock_guard<std::mutex> lock(tlsLock);
    for (auto i = tlsServers.begin(); i != tlsServers.end();)
        i = i->second == &certificate_ ? tlsServers.erase(i) : ++i;
    certificate_ = nullptr;
}

bool HttpServer::reloadCertificate(const std::string& certPem, const std::string& keyPem, std::string& error) {
    if (!daemon_ || settings_.certPem.empty()) {
        error = "--http-cert: the server does not serve HTTPS";
        return false;
    }
    std::unique_ptr<TlsCredentials> next = TlsCredentials::load(certPem, keyPem, error);
    if (!next) return false;
    std::lock_guard<std::mutex> lock(tlsLock);
    certificate_ = next.get();
    certificates_.push_back(std::move(next));
    return true;
}

}  // namespace ravo
