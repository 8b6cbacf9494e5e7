// The pieces of an HTTP request the server goes by, read from the texts the
// client sent: where to listen (--http), the query string, the credentials of
// Authorization, the Host and Last-Event-ID. Free of any server library, so
// every byte a client can send is read here and nowhere else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ravo {

// --http [ADDR:]PORT: an IPv4 address, an IPv6 address in brackets or
// "localhost"; 127.0.0.1 when only the port is given; port 0 takes a free one.
struct HttpAddress {
    std::string host = "127.0.0.1";  // numeric, without brackets: "127.0.0.1", "::1", "0.0.0.0"
    int port = 0;
    bool ipv6 = false;

    bool loopback() const;
    // "127.0.0.1:8080", "[::1]:8433"
    std::string text(int actualPort) const;
};

// Nothing, with a one-line reason, for anything else.
std::optional<HttpAddress> parseHttpAddress(std::string_view text, std::string& error);

// %XX sequences decoded; `plusIsSpace` for query strings. Nothing for a '%' not
// followed by two hexadecimal digits or a decoded NUL.
std::optional<std::string> percentDecode(std::string_view text, bool plusIsSpace);

// key=value pairs in the order given; a key may repeat (field=a&field=b).
class Query {
public:
    std::vector<std::pair<std::string, std::string>> items;

    bool has(std::string_view key) const;
    // The last value of `key`, or nothing.
    std::optional<std::string> value(std::string_view key) const;
    std::vector<std::string> values(std::string_view key) const;
};

// The text after '?'; nothing when a part cannot be decoded. An item without
// '=' has an empty value; empty items (a&&b) are skipped.
std::optional<Query> parseQuery(std::string_view text);

// Standard base64 with padding; nothing for anything else.
std::optional<std::string> base64Decode(std::string_view text);

// The token an Authorization header carries: "Bearer TOKEN", or "Basic" with
// any user name and the token as the password. Nothing for anything else.
std::optional<std::string> credentialOf(std::string_view authorization);

// Whether two secrets are equal, in a time that depends only on their lengths.
bool sameSecret(std::string_view given, std::string_view secret);

// A Host header that names this machine's loopback: localhost, 127.x.x.x or
// [::1], with or without a port. Anything else may be a name an attacker's DNS
// points at 127.0.0.1 (DNS rebinding).
bool loopbackHost(std::string_view host);

// Last-Event-ID: a decimal event id, else nothing.
std::optional<std::uint64_t> parseEventId(std::string_view text);

// A transmitter address as the API takes it: decimal, 0 to 16777215.
std::optional<std::int32_t> parseTransmitterAddress(std::string_view text);

}  // namespace ravo
