#include "http/HttpRouter.h"

#include <initializer_list>

#include "history/HistoryTime.h"

namespace ravo {
namespace {

Route refuse(int status, std::string reason) {
    Route r;
    r.status = status;
    r.reason = std::move(reason);
    return r;
}

// The keys an endpoint takes; any other is refused, so a misspelt one is told.
bool onlyKeys(const Query& q, std::initializer_list<std::string_view> keys, std::string& bad) {
    for (const auto& [k, v] : q.items) {
        bool known = false;
        for (std::string_view key : keys) known = known || k == key;
        if (!known) {
            bad = k;
            return false;
        }
    }
    return true;
}

bool readingsRequest(const Query& q, ReadingsRequest& out, std::string& error) {
    const std::optional<std::string> address = q.value("address");
    if (!address) {
        error = "readings need address=A";
        return false;
    }
    const std::optional<std::int32_t> a = parseTransmitterAddress(*address);
    if (!a) {
        error = "address must be a transmitter address (0 to 16777215), not '" + *address + "'";
        return false;
    }
    out.span.address = *a;
    out.fields = q.values("field");
    for (const char* name : {"from", "to"}) {
        const std::optional<std::string> t = q.value(name);
        if (!t) continue;
        std::string why;
        const std::optional<std::int64_t> ms = parseUserTime(*t, why);
        if (!ms) {
            error = std::string(name) + ": " + why;
            return false;
        }
        (std::string_view(name) == "from" ? out.span.fromMs : out.span.toMs) = ms;
    }
    if (const std::optional<std::string> every = q.value("every")) {
        const std::optional<std::int32_t> s = parseTransmitterAddress(*every);  // digits, bounded
        if (!s || *s < 1) {
            error = "every must be a whole number of seconds, 1 to 16777215, not '" + *every + "'";
            return false;
        }
        out.everySeconds = *s;
    }
    out.json = true;
    return true;
}

}  // namespace

Route routeRequest(const HttpRequest& request, const RouterSettings& settings) {
    if (settings.checkHost && request.host && !loopbackHost(*request.host))
        return refuse(403, "this server answers only to localhost, 127.0.0.1 and [::1] as the Host");

    const std::string_view target = request.target;
    const size_t question = target.find('?');
    const std::optional<std::string> path = percentDecode(target.substr(0, question), false);
    if (!path || path->empty() || path->front() != '/') return refuse(400, "bad request target");
    const bool health = *path == "/healthz";

    if (!settings.token.empty() && !health) {
        const std::optional<std::string> given =
            request.authorization ? credentialOf(*request.authorization) : std::nullopt;
        if (!given || !sameSecret(*given, settings.token)) {
            Route r =
                refuse(401, "a token is needed: Authorization: Bearer TOKEN, or Basic with TOKEN as the password");
            r.headers.emplace_back("WWW-Authenticate", "Basic realm=\"ravo\"");
            return r;
        }
    }

    const bool head = request.method == "HEAD";
    if (request.method != "GET" && !head) {
        Route r = refuse(405, "only GET and HEAD are served");
        r.headers.emplace_back("Allow", "GET, HEAD");
        return r;
    }

    const std::optional<Query> query =
        parseQuery(question == std::string_view::npos ? std::string_view() : target.substr(question + 1));
    if (!query) return refuse(400, "the query string cannot be decoded");

    Route r;
    r.head = head;
    constexpr std::string_view kOne = "/api/transmitters/";
    if (health) r.endpoint = Endpoint::Health;
    else if ((r.asset = findPageAsset(*path))) r.endpoint = Endpoint::Page;
    else if (*path == "/api/transmitters") r.endpoint = Endpoint::Transmitters;
    else if (*path == "/api/readings") r.endpoint = Endpoint::Readings;
    else if (*path == "/api/events") r.endpoint = Endpoint::Events;
    else if (*path == "/metrics") r.endpoint = Endpoint::Metrics;
    else if (*path == "/api/status") r.endpoint = Endpoint::Status;
    else if (path->rfind(kOne, 0) == 0) {
        const std::optional<std::int32_t> a = parseTransmitterAddress(std::string_view(*path).substr(kOne.size()));
        if (!a) return refuse(404, "no such path: " + *path);
        r.endpoint = Endpoint::Transmitter;
        r.address = *a;
    } else {
        return refuse(404, "no such path: " + *path);
    }

    std::string bad;
    if (r.endpoint == Endpoint::Readings) {
        if (!onlyKeys(*query, {"address", "field", "from", "to", "every"}, bad))
            return refuse(400, "unknown parameter '" + bad + "' (address, field, from, to, every)");
        std::string error;
        if (!readingsRequest(*query, r.readings, error)) return refuse(400, error);
    } else if (r.endpoint != Endpoint::Health && r.endpoint != Endpoint::Page && !onlyKeys(*query, {}, bad)) {
        return refuse(400, "unknown parameter '" + bad + "'");
    }
    if (r.endpoint == Endpoint::Events && request.lastEventId) {
        r.lastEventId = parseEventId(*request.lastEventId);
        if (!r.lastEventId) return refuse(400, "Last-Event-ID must be an event id");
    }
    return r;
}

}  // namespace ravo
