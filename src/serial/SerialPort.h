// The serial port as the core sees it. The programs plug in a real port; the
// received bytes must arrive on the thread that runs the poll cycle, in order
// and unaltered.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ravo {

enum class OpenOutcome {
    Ok,
    InvalidPort,       // no such device
    Busy,              // held by this or another program
    PermissionDenied,  // the user may not open the device
    OtherFailure
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens a device with a settings text such as "9600,n,8,1".
    virtual OpenOutcome open(const std::string& device, const std::string& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Sends every byte, in order, in one write; false when it could not be written.
    virtual bool write(std::string_view bytes) = 0;

    // Set by the owner: received bytes, and a failure of the open port (a USB
    // receiver unplugged).
    std::function<void(std::string_view)> onData;
    std::function<void()> onFailure;
};

// Baud rate of a settings text ("115200,n,8,1" -> 115200), 0 when malformed.
int baudOfSettings(const std::string& settings);

}  // namespace ravo
