#include "publish/MqttUrl.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "common/HostPort.h"

namespace ravo {
namespace {

constexpr std::string_view kScheme = "mqtt://";
constexpr std::string_view kTlsScheme = "mqtts://";

std::string form(std::string_view text) {
    return "--mqtt wants mqtt[s]://[USER@]HOST[:PORT][/PREFIX], not '" + std::string(text) + "'";
}

}  // namespace

std::optional<MqttUrl> parseMqttUrl(std::string_view text, std::string& error) {
    const std::string quoted = "'" + std::string(text) + "'";
    MqttUrl url;
    std::string_view rest;
    if (text.substr(0, kScheme.size()) == kScheme) {
        rest = text.substr(kScheme.size());
    } else if (text.substr(0, kTlsScheme.size()) == kTlsScheme) {
        rest = text.substr(kTlsScheme.size());
        url.tls = true;
        url.port = 8883;
    } else {
        error = form(text);
        return std::nullopt;
    }
    const size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) {
        std::string_view prefix = rest.substr(slash + 1);
        while (!prefix.empty() && prefix.back() == '/') prefix.remove_suffix(1);
        if (!prefix.empty()) {
            if (prefix.find_first_of("+#") != std::string_view::npos || prefix.find("//") != std::string_view::npos ||
                prefix.front() == '/') {
                error = "--mqtt: the topic prefix '" + std::string(prefix) + "' may not hold '+', '#' or empty levels";
                return std::nullopt;
            }
            url.prefix = prefix;
        }
    }
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos) {
        const std::string_view user = authority.substr(0, at);
        if (user.find(':') != std::string_view::npos) {
            error = "--mqtt: no password in the URL; use --mqtt-password-file FILE or RAVO_MQTT_PASSWORD";
            return std::nullopt;
        }
        if (user.empty()) {
            error = "--mqtt: no user name before '@' in " + quoted;
            return std::nullopt;
        }
        url.user = user;
        authority = authority.substr(at + 1);
    }
    const HostPort hp = parseHostPort(authority);
    switch (hp.fault) {
        case HostPort::Fault::None: break;
        case HostPort::Fault::Unclosed: error = "--mqtt: unclosed '[' in " + quoted; return std::nullopt;
        case HostPort::Fault::Form: error = form(text); return std::nullopt;
        case HostPort::Fault::NoHost: error = "--mqtt: no host in " + quoted; return std::nullopt;
        case HostPort::Fault::BadPort:
            error = "--mqtt: the port must be a number from 1 to 65535, not '" + hp.badPort + "'";
            return std::nullopt;
    }
    url.host = hp.host;
    if (hp.port) url.port = *hp.port;
    return url;
}

bool checkMqttTls(const MqttUrl& url, const MqttTls& tls, std::string& error) {
    const std::pair<const char*, const std::string*> files[] = {
        {"--mqtt-cafile", &tls.caFile}, {"--mqtt-cert", &tls.certFile}, {"--mqtt-key", &tls.keyFile}};
    for (const auto& [option, path] : files) {
        if (path->empty()) continue;
        if (!url.tls) {
            error = std::string(option) + " is for mqtts:// URLs";
            return false;
        }
        if (!std::ifstream(*path, std::ios::binary)) {
            error = "cannot read " + *path + " (" + option + "): " + std::strerror(errno);
            return false;
        }
    }
    if (tls.certFile.empty() != tls.keyFile.empty()) {
        error = tls.certFile.empty() ? "--mqtt-key needs --mqtt-cert" : "--mqtt-cert needs --mqtt-key";
        return false;
    }
    return true;
}

bool readMqttPassword(const MqttUrl& url, const std::string& passwordFile, std::string& password, std::string& error) {
    password.clear();
    if (!passwordFile.empty()) {
        std::ifstream in(passwordFile, std::ios::binary);
        if (!in) {
            error = "cannot read " + passwordFile + ": " + std::strerror(errno);
            return false;
        }
        std::getline(in, password);
        if (!password.empty() && password.back() == '\r') password.pop_back();
        if (url.user.empty()) {
            error = "--mqtt-password-file needs a user name in the URL: mqtt://USER@HOST";
            return false;
        }
        return true;
    }
    // The environment's password is for a URL with a user; without one it is not used.
    if (const char* env = std::getenv("RAVO_MQTT_PASSWORD"); env && !url.user.empty()) password = env;
    return true;
}

}  // namespace ravo
