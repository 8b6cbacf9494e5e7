// Where the readings are published: mqtt://[USER@]HOST[:PORT][/PREFIX]. The
// password never travels on the command line; it comes from a file or from the
// environment (RAVO_MQTT_PASSWORD).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ravo {

struct MqttUrl {
    std::string user;  // empty: connect without user name
    std::string host;  // a name, an IPv4 address or an IPv6 address (given in brackets)
    int port = 1883;
    std::string prefix = "ravo";  // first topic levels of everything published
};

// Parses the URL; on a bad one returns nothing and says why in `error`.
std::optional<MqttUrl> parseMqttUrl(std::string_view text, std::string& error);

// The password: the first line of `passwordFile` when one is named, else the
// environment's RAVO_MQTT_PASSWORD (empty when unset). False with a reason when
// the file cannot be read or a password is given without a user name.
bool readMqttPassword(const MqttUrl& url, const std::string& passwordFile, std::string& password, std::string& error);

}  // namespace ravo
