#include "common/HostPort.h"

namespace ravo {

HostPort parseHostPort(std::string_view authority) {
    HostPort out;
    std::string_view port;
    bool colon = false;
    if (!authority.empty() && authority.front() == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            out.fault = HostPort::Fault::Unclosed;
            return out;
        }
        out.host = authority.substr(1, close - 1);
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after.front() != ':') {
                out.fault = HostPort::Fault::Form;
                return out;
            }
            colon = true;
            port = after.substr(1);
        }
    } else {
        const size_t c = authority.find(':');
        out.host = authority.substr(0, c);
        if (c != std::string_view::npos) {
            colon = true;
            port = authority.substr(c + 1);
        }
    }
    if (out.host.empty()) {
        out.fault = HostPort::Fault::NoHost;
        return out;
    }
    if (colon) {
        int value = 0;
        bool digits = !port.empty() && port.size() <= 5;
        for (const char c : port) {
            if (c < '0' || c > '9') digits = false;
            else value = value * 10 + (c - '0');
        }
        if (!digits || value < 1 || value > 65535) {
            out.fault = HostPort::Fault::BadPort;
            out.badPort = port;
            return out;
        }
        out.port = value;
    }
    return out;
}

}  // namespace ravo
