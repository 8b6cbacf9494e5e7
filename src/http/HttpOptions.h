// The options of the HTTP server as the command line gives them.
#pragma once

#include <string>

namespace ravo {

struct HttpOptions {
    std::string listen;             // [ADDR:]PORT; empty: no server
    std::string tokenFile;          // the first line is the token every path but /healthz then needs
    std::string certFile, keyFile;  // PEM: serve HTTPS
};

}  // namespace ravo
