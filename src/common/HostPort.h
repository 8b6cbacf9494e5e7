// HOST[:PORT], the authority of a URL: a name, an IPv4 address or an IPv6 address
// in brackets, and a port from 1 to 65535.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ravo {

struct HostPort {
    enum class Fault { None, Unclosed, Form, NoHost, BadPort };
    Fault fault = Fault::None;
    std::string host;         // without the brackets of an IPv6 address
    std::optional<int> port;  // none: not given
    std::string badPort;      // the text of a port that is no number from 1 to 65535
};

HostPort parseHostPort(std::string_view authority);

}  // namespace ravo
