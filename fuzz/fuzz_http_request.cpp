// Arbitrary texts as a request: lines give the method, the target, the Host,
// Authorization and Last-Event-ID; the whole input is also read as --http.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "http/HttpRequest.h"
#include "http/HttpRouter.h"

using namespace ravo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    if (const auto a = parseHttpAddress(text, error)) {
        // What is printed reads back as the same address.
        std::string again;
        const auto b = parseHttpAddress(a->text(a->port), again);
        if (!b || b->host != a->host || b->port != a->port) __builtin_trap();
    } else if (error.empty()) {
        __builtin_trap();  // a refusal always says why
    }

    std::vector<std::string_view> lines;
    std::string_view rest = text;
    for (int i = 0; i < 5; ++i) {
        const size_t nl = rest.find('\n');
        lines.push_back(rest.substr(0, nl));
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    }
    HttpRequest request{lines[0], lines[1], lines[2], lines[3], lines[4]};
    for (const RouterSettings& settings : {RouterSettings{true, ""}, RouterSettings{false, "secret"}}) {
        const Route r = routeRequest(request, settings);
        if (r.status == 200 && r.endpoint == Endpoint::None) __builtin_trap();
        if (r.status != 200 && r.reason.empty()) __builtin_trap();
        // Nothing but the health check passes without the token.
        if (r.status == 200 && !settings.token.empty() && r.endpoint != Endpoint::Health) {
            const auto given = credentialOf(lines[3]);
            if (!given || *given != settings.token) __builtin_trap();
        }
        if (r.status == 200 && settings.checkHost && !loopbackHost(lines[2])) __builtin_trap();
    }
    return 0;
}
