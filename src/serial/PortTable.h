// Port numbers for a platform without COM ports: the devices named on the
// command line first (in the order given), then the serial devices the system
// lists, sorted by path; numbered from 1. A number with no device is invalid.
#pragma once

#include <string>
#include <vector>

namespace ravo {

class PortTable {
public:
    PortTable() = default;
    PortTable(std::vector<std::string> named, std::vector<std::string> listed);

    // Device of port number n (1-based), or empty when there is none.
    std::string device(int n) const;
    int size() const { return static_cast<int>(devices_.size()); }
    // The list entry of a port: "COM 1 (/dev/ttyUSB0)".
    std::string entry(int n) const;
    // Numbers the devices not in the table yet after its last number, in path
    // order; returns their numbers. Devices already numbered keep their numbers.
    std::vector<int> add(std::vector<std::string> listed);

private:
    std::vector<std::string> devices_;
};

// The port number of a list entry: the number in the three characters that
// start at its fifth ("COM 12 (...)" -> 12).
int portNumberOfEntry(const std::string& entry);

}  // namespace ravo
