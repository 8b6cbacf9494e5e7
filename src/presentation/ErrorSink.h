// Where the presentation's "Error" messages go (the receiver queues them for the
// window).
#pragma once

#include <string>

namespace ravo {

class ErrorSink {
public:
    virtual void raiseError(std::string text) = 0;

protected:
    ~ErrorSink() = default;
};

}  // namespace ravo
