// Which endpoint a request asks for, and whether it may have it: the Host check
// against DNS rebinding, the token, the method, the path and the query. What
// comes out is either an endpoint with its parameters or a status with a reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/HistoryReport.h"
#include "http/HttpRequest.h"
#include "http/PageAssets.h"

namespace ravo {

enum class Endpoint { None, Health, Page, Status, Transmitters, Transmitter, Readings, Events, Metrics };

// What the server read of a request (texts as sent).
struct HttpRequest {
    std::string_view method;
    std::string_view target;  // path and query, as on the request line
    std::optional<std::string_view> host;
    std::optional<std::string_view> authorization;
    std::optional<std::string_view> lastEventId;
};

struct RouterSettings {
    bool checkHost = false;  // refuse a Host that is not a loopback name (loopback, no token)
    std::string token;       // empty: none asked for
};

struct Route {
    int status = 200;  // anything else: answer `reason` with that status
    std::string reason;
    std::vector<std::pair<std::string, std::string>> headers;  // Allow, WWW-Authenticate
    Endpoint endpoint = Endpoint::None;
    bool head = false;
    std::int32_t address = 0;          // Transmitter
    const PageAsset* asset = nullptr;  // Page
    std::optional<std::uint64_t> lastEventId;
    ReadingsRequest readings;  // Readings (json)
};

Route routeRequest(const HttpRequest& request, const RouterSettings& settings);

}  // namespace ravo
