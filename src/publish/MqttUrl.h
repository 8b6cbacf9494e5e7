// Where the readings are published: mqtt://[USER@]HOST[:PORT][/PREFIX], or over
// TLS mqtts://[USER@]HOST[:PORT][/PREFIX] (port 8883). The
// password never travels on the command line; it comes from a file or from the
// environment (RAVO_MQTT_PASSWORD).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ravo {

struct MqttUrl {
    std::string user;             // empty: connect without user name
    std::string host;             // a name, an IPv4 address or an IPv6 address (given in brackets)
    int port = 1883;              // 8883 for mqtts://
    bool tls = false;             // mqtts://: the broker's certificate and host name are verified
    std::string prefix = "ravo";  // first topic levels of everything published
};

// Parses the URL; on a bad one returns nothing and says why in `error`.
std::optional<MqttUrl> parseMqttUrl(std::string_view text, std::string& error);

// The certificates of a TLS connection: the CA to trust (else the system's store)
// and optionally the program's own certificate and key.
struct MqttTls {
    std::string caFile;
    std::string certFile;
    std::string keyFile;
};

// False with a reason when a file is named without mqtts://, only one of the
// certificate and its key is named, or a named file cannot be read.
bool checkMqttTls(const MqttUrl& url, const MqttTls& tls, std::string& error);

// The password: the first line of `passwordFile` when one is named, else the
// environment's RAVO_MQTT_PASSWORD (empty when unset). False with a reason when
// the file cannot be read or a password is given without a user name.
bool readMqttPassword(const MqttUrl& url, const std::string& passwordFile, std::string& password, std::string& error);

}  // namespace ravo
