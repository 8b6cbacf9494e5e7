#include "influx/InfluxUrl.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "common/HostPort.h"

namespace ravo {
namespace {

constexpr char kForm[] =
    "--influx wants http[s]://HOST:PORT/write?db=DB (InfluxDB 1.x) or "
    "http[s]://HOST:PORT/api/v2/write?org=ORG&bucket=BUCKET (InfluxDB 2.x), not '";

std::string form(std::string_view text) { return kForm + std::string(text) + "'"; }

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A query value as a server reads it: %XX is the byte XX, '+' a blank.
bool percentDecode(std::string_view in, std::string& out) {
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '+') {
            out += ' ';
        } else if (in[i] == '%') {
            if (i + 2 >= in.size()) return false;
            const int hi = hexDigit(in[i + 1]), lo = hexDigit(in[i + 2]);
            if (hi < 0 || lo < 0) return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += in[i];
        }
    }
    return true;
}

std::string percentEncode(std::string_view in) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : in) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

}  // namespace

std::string InfluxUrl::where() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string InfluxUrl::target() const {
    return api == Api::V1 ? "database \"" + db + "\"" : "bucket \"" + bucket + "\"";
}

std::string InfluxUrl::writeUrl() const {
    std::string url = (https ? "https://" : "http://") + where() + path + "?";
    if (api == Api::V1) {
        url += "db=" + percentEncode(db);
        if (!retentionPolicy.empty()) url += "&rp=" + percentEncode(retentionPolicy);
    } else {
        url += "org=" + percentEncode(org) + "&bucket=" + percentEncode(bucket);
    }
    return url + "&precision=ms";
}

std::optional<InfluxUrl> parseInfluxUrl(std::string_view text, std::string& error) {
    const std::string quoted = "'" + std::string(text) + "'";
    InfluxUrl url;
    std::string_view rest;
    if (text.substr(0, 7) == "http://") {
        rest = text.substr(7);
    } else if (text.substr(0, 8) == "https://") {
        url.https = true;
        rest = text.substr(8);
    } else {
        error = form(text);
        return std::nullopt;
    }
    if (rest.find_first_of(" \t\r\n#") != std::string_view::npos) {
        error = "--influx: no blanks or '#' in " + quoted;
        return std::nullopt;
    }
    const size_t pathAt = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, pathAt);
    std::string_view path, query;
    if (pathAt != std::string_view::npos) {
        const std::string_view tail = rest.substr(pathAt);
        const size_t q = tail.find('?');
        path = tail.substr(0, q);
        if (q != std::string_view::npos) query = tail.substr(q + 1);
    }

    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos) {
            error = "--influx: no password in the URL; use --influx-token-file FILE or RAVO_INFLUX_TOKEN";
            return std::nullopt;
        }
        if (user.empty()) {
            error = "--influx: no user name before '@' in " + quoted;
            return std::nullopt;
        }
        if (!percentDecode(user, url.user)) {
            error = "--influx: a bad %-escape in the user name of " + quoted;
            return std::nullopt;
        }
        authority = authority.substr(at + 1);
    }
    const HostPort hp = parseHostPort(authority);
    switch (hp.fault) {
        case HostPort::Fault::None: break;
        case HostPort::Fault::Unclosed: error = "--influx: unclosed '[' in " + quoted; return std::nullopt;
        case HostPort::Fault::Form: error = form(text); return std::nullopt;
        case HostPort::Fault::NoHost: error = "--influx: no host in " + quoted; return std::nullopt;
        case HostPort::Fault::BadPort:
            error = "--influx: the port must be a number from 1 to 65535, not '" + hp.badPort + "'";
            return std::nullopt;
    }
    url.host = hp.host;
    if (hp.port) url.port = *hp.port;

    // The API is told by the end of the path; what comes before it is a proxy's prefix.
    if (endsWith(path, "/api/v2/write")) {
        url.api = InfluxUrl::Api::V2;
    } else if (endsWith(path, "/write")) {
        url.api = InfluxUrl::Api::V1;
    } else {
        error = "--influx: the path must end in /write (InfluxDB 1.x) or /api/v2/write (2.x), not '" +
                std::string(path.empty() ? "/" : path) + "'";
        return std::nullopt;
    }
    url.path = path;
    const bool v1 = url.api == InfluxUrl::Api::V1;
    if (!v1 && !url.user.empty()) {
        error = "--influx: InfluxDB 2.x takes a token (--influx-token-file FILE or RAVO_INFLUX_TOKEN), not a user name";
        return std::nullopt;
    }

    std::vector<std::string> seen;
    while (!query.empty()) {
        const size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        const std::string key(pair.substr(0, eq));
        std::string value;
        if (!percentDecode(eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1), value)) {
            error = "--influx: a bad %-escape in '" + std::string(pair) + "'";
            return std::nullopt;
        }
        for (const std::string& s : seen)
            if (s == key) {
                error = "--influx: '" + key + "' is given twice";
                return std::nullopt;
            }
        seen.push_back(key);
        std::string* slot = nullptr;
        if (v1 && key == "db") slot = &url.db;
        else if (v1 && key == "rp") slot = &url.retentionPolicy;
        else if (!v1 && key == "org") slot = &url.org;
        else if (!v1 && key == "bucket") slot = &url.bucket;
        if (slot) {
            if (value.empty()) {
                error = "--influx: '" + key + "' is empty in " + quoted;
                return std::nullopt;
            }
            *slot = std::move(value);
        } else if (key == "precision") {
            if (value != "ms") {
                error = "--influx: the times are written in milliseconds; leave out precision=" + value;
                return std::nullopt;
            }
        } else if (v1 && (key == "u" || key == "p")) {
            error = key == "p" ? "--influx: no password in the URL; use --influx-token-file FILE or RAVO_INFLUX_TOKEN"
                               : "--influx: put the user name before the host: http://USER@HOST:PORT/write?db=DB";
            return std::nullopt;
        } else {
            error = "--influx: unknown parameter '" + key + "' for InfluxDB " + (v1 ? "1.x" : "2.x") + " in " + quoted;
            return std::nullopt;
        }
    }
    if (v1 && url.db.empty()) {
        error = "--influx: no database: http[s]://HOST:PORT/write?db=DB";
        return std::nullopt;
    }
    if (!v1 && (url.org.empty() || url.bucket.empty())) {
        error = std::string("--influx: no ") + (url.org.empty() ? "org" : "bucket") +
                ": http[s]://HOST:PORT/api/v2/write?org=ORG&bucket=BUCKET";
        return std::nullopt;
    }
    return url;
}

bool readInfluxToken(const InfluxUrl& url, const std::string& tokenFile, std::string& token, std::string& error) {
    token.clear();
    const bool v1 = url.api == InfluxUrl::Api::V1;
    if (!tokenFile.empty()) {
        if (v1 && url.user.empty()) {
            error = "--influx-token-file holds the password of a user: http://USER@HOST:PORT/write?db=DB";
            return false;
        }
        std::ifstream in(tokenFile, std::ios::binary);
        if (!in) {
            error = "cannot read " + tokenFile + ": " + std::strerror(errno);
            return false;
        }
        std::getline(in, token);
        while (!token.empty() && (token.back() == '\r' || token.back() == ' ' || token.back() == '\t'))
            token.pop_back();
        if (token.empty()) {
            error = tokenFile + ": the first line is empty";
            return false;
        }
        return true;
    }
    // A 1.x password is for a URL with a user; without one the environment is not used.
    if (const char* env = std::getenv("RAVO_INFLUX_TOKEN"); env && (!v1 || !url.user.empty())) token = env;
    return true;
}

}  // namespace ravo
