// Where the readings are written in InfluxDB line protocol:
//   http[s]://[USER@]HOST[:PORT][/PATH]/write?db=DB[&rp=POLICY]      (InfluxDB 1.x)
//   http[s]://HOST[:PORT][/PATH]/api/v2/write?org=ORG&bucket=BUCKET  (InfluxDB 2.x)
// The 1.x password or the 2.x token never travels on the command line; it comes
// from a file or from the environment (RAVO_INFLUX_TOKEN).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ravo {

struct InfluxUrl {
    enum class Api { V1, V2 };
    Api api = Api::V1;
    bool https = false;
    std::string user;  // 1.x only; empty: no user name
    std::string host;  // a name, an IPv4 address or an IPv6 address (given in brackets)
    int port = 8086;
    std::string path;                 // "/write" or "/api/v2/write", after any prefix of a proxy
    std::string db, retentionPolicy;  // 1.x
    std::string org, bucket;          // 2.x

    // The URL the lines are posted to, always with precision=ms, and without the user name.
    std::string writeUrl() const;
    // HOST:PORT, for messages.
    std::string where() const;
    // "database "x"" or "bucket "x"", for messages.
    std::string target() const;
};

// Parses the URL; on a bad one returns nothing and says why in `error` (one line).
std::optional<InfluxUrl> parseInfluxUrl(std::string_view text, std::string& error);

// The secret: the first line of `tokenFile` when one is named, else the
// environment's RAVO_INFLUX_TOKEN (empty when unset). A 1.x password needs a user
// name in the URL: from the file without one it is refused, from the environment
// it is not used. False with a reason when the file cannot be read.
bool readInfluxToken(const InfluxUrl& url, const std::string& tokenFile, std::string& token, std::string& error);

}  // namespace ravo
