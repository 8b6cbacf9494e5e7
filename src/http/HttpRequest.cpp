#include "http/HttpRequest.h"

#include <arpa/inet.h>

#include <cctype>

namespace ravo {
namespace {

constexpr std::string_view kForm = "--http wants [ADDR:]PORT (127.0.0.1:8080, [::1]:8433, 0.0.0.0:8080), not '";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::optional<int> parsePort(std::string_view s) {
    if (!allDigits(s) || s.size() > 5) return std::nullopt;
    int port = 0;
    for (char c : s) port = port * 10 + (c - '0');
    if (port > 65535) return std::nullopt;
    return port;
}

bool ipv4(const std::string& s) {
    in_addr a{};
    return inet_pton(AF_INET, s.c_str(), &a) == 1;
}

bool ipv6(const std::string& s) {
    in6_addr a{};
    return inet_pton(AF_INET6, s.c_str(), &a) == 1;
}

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

bool HttpAddress::loopback() const {
    if (ipv6) return host == "::1";
    return host.rfind("127.", 0) == 0;
}

std::string HttpAddress::text(int actualPort) const {
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(actualPort);
}

std::optional<HttpAddress> parseHttpAddress(std::string_view text, std::string& error) {
    const auto bad = [&](const std::string& why) -> std::optional<HttpAddress> {
        error = why.empty() ? std::string(kForm) + std::string(text) + "'" : why;
        return std::nullopt;
    };
    HttpAddress a;
    std::string_view port = text;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return bad("");
        a.host = text.substr(1, close - 1);
        a.ipv6 = true;
        if (!ipv6(a.host)) return bad("--http: '" + a.host + "' is not an IPv6 address");
        port = text.substr(close + 2);
    } else if (const size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        a.host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (a.host.find(':') != std::string::npos) return bad("--http: an IPv6 address goes in brackets: [ADDR]:PORT");
        if (iequals(a.host, "localhost")) a.host = "127.0.0.1";
        if (!ipv4(a.host))
            return bad("--http: '" + a.host + "' is not an IPv4 address (a name other than localhost is not taken)");
    } else {
        a.host = "127.0.0.1";
    }
    const std::optional<int> p = parsePort(port);
    if (!p) return bad(port.empty() ? "" : "--http: the port must be 0 to 65535, not '" + std::string(port) + "'");
    a.port = *p;
    return a;
}

std::optional<std::string> percentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int hi = hexDigit(text[i + 1]), lo = hexDigit(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            const char d = static_cast<char>(hi * 16 + lo);
            if (d == '\0') return std::nullopt;
            out += d;
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else if (c == '\0') {
            return std::nullopt;
        } else {
            out += c;
        }
    }
    return out;
}

bool Query::has(std::string_view key) const {
    for (const auto& [k, v] : items)
        if (k == key) return true;
    return false;
}

std::optional<std::string> Query::value(std::string_view key) const {
    std::optional<std::string> out;
    for (const auto& [k, v] : items)
        if (k == key) out = v;
    return out;
}

std::vector<std::string> Query::values(std::string_view key) const {
    std::vector<std::string> out;
    for (const auto& [k, v] : items)
        if (k == key) out.push_back(v);
    return out;
}

std::optional<Query> parseQuery(std::string_view text) {
    Query q;
    while (!text.empty()) {
        const size_t amp = text.find('&');
        const std::string_view item = text.substr(0, amp);
        text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        auto key = percentDecode(item.substr(0, eq), true);
        auto value = percentDecode(eq == std::string_view::npos ? std::string_view() : item.substr(eq + 1), true);
        if (!key || !value) return std::nullopt;
        q.items.emplace_back(std::move(*key), std::move(*value));
    }
    return q;
}

std::optional<std::string> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        int v[4];
        int pad = 0;
        for (int j = 0; j < 4; ++j) {
            const char c = text[i + j];
            if (c == '=' && i + 4 == text.size() && j >= 2) {
                v[j] = 0;
                ++pad;
                continue;
            }
            if (pad) return std::nullopt;  // data after padding
            if (c >= 'A' && c <= 'Z') v[j] = c - 'A';
            else if (c >= 'a' && c <= 'z') v[j] = c - 'a' + 26;
            else if (c >= '0' && c <= '9') v[j] = c - '0' + 52;
            else if (c == '+') v[j] = 62;
            else if (c == '/') v[j] = 63;
            else return std::nullopt;
        }
        const unsigned n = (unsigned(v[0]) << 18) | (unsigned(v[1]) << 12) | (unsigned(v[2]) << 6) | unsigned(v[3]);
        out += static_cast<char>((n >> 16) & 0xFF);
        if (pad < 2) out += static_cast<char>((n >> 8) & 0xFF);
        if (pad < 1) out += static_cast<char>(n & 0xFF);
    }
    return out;
}

std::optional<std::string> credentialOf(std::string_view authorization) {
    authorization = trim(authorization);
    const size_t space = authorization.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    const std::string_view scheme = authorization.substr(0, space);
    const std::string_view rest = trim(authorization.substr(space + 1));
    if (rest.empty()) return std::nullopt;
    if (iequals(scheme, "Bearer")) return std::string(rest);
    if (!iequals(scheme, "Basic")) return std::nullopt;
    const std::optional<std::string> pair = base64Decode(rest);
    if (!pair) return std::nullopt;
    const size_t colon = pair->find(':');
    if (colon == std::string::npos) return std::nullopt;
    return pair->substr(colon + 1);
}

bool sameSecret(std::string_view given, std::string_view secret) {
    // Every byte of the secret is looked at whatever the given text holds.
    unsigned char diff = given.size() == secret.size() ? 0 : 1;
    for (size_t i = 0; i < secret.size(); ++i) {
        const unsigned char g = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
        diff |= static_cast<unsigned char>(g ^ static_cast<unsigned char>(secret[i]));
    }
    return diff == 0 && !secret.empty();
}

bool loopbackHost(std::string_view host) {
    if (host.empty()) return false;
    std::string name;
    if (host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string_view::npos) return false;
        name = host.substr(1, close - 1);
        const std::string_view after = host.substr(close + 1);
        if (!after.empty() && (after.front() != ':' || !parsePort(after.substr(1)))) return false;
        return name == "::1" || name == "0:0:0:0:0:0:0:1";
    }
    const size_t colon = host.find(':');
    name = host.substr(0, colon);
    if (colon != std::string_view::npos && !parsePort(host.substr(colon + 1))) return false;
    if (iequals(name, "localhost")) return true;
    return name.rfind("127.", 0) == 0 && ipv4(name);
}

std::optional<std::uint64_t> parseEventId(std::string_view text) {
    text = trim(text);
    if (!allDigits(text) || text.size() > 19) return std::nullopt;
    std::uint64_t v = 0;
    for (char c : text) v = v * 10 + static_cast<std::uint64_t>(c - '0');
    return v;
}

std::optional<std::int32_t> parseTransmitterAddress(std::string_view text) {
    if (!allDigits(text) || text.size() > 8) return std::nullopt;
    std::int32_t v = 0;
    for (char c : text) v = v * 10 + (c - '0');
    if (v > 0xFFFFFF) return std::nullopt;
    return v;
}

}  // namespace ravo
