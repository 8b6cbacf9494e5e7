#include "serial/PortTable.h"

#include <algorithm>

#include "common/TextValue.h"
#include "serial/SerialPort.h"

namespace ravo {

PortTable::PortTable(std::vector<std::string> named, std::vector<std::string> listed) {
    devices_ = std::move(named);
    std::sort(listed.begin(), listed.end());
    for (auto& d : listed)
        if (std::find(devices_.begin(), devices_.end(), d) == devices_.end()) devices_.push_back(std::move(d));
}

std::string PortTable::device(int n) const {
    return n >= 1 && n <= size() ? devices_[static_cast<size_t>(n - 1)] : std::string();
}

std::vector<int> PortTable::add(std::vector<std::string> listed) {
    std::sort(listed.begin(), listed.end());
    std::vector<int> added;
    for (auto& d : listed) {
        if (d.empty() || std::find(devices_.begin(), devices_.end(), d) != devices_.end()) continue;
        devices_.push_back(std::move(d));
        added.push_back(size());
    }
    return added;
}

std::string PortTable::entry(int n) const { return "COM " + std::to_string(n) + " (" + device(n) + ")"; }

int portNumberOfEntry(const std::string& entry) {
    return entry.size() < 5 ? 0 : static_cast<int>(roundHalfEven(textValue(entry.substr(4, 3))));
}

int baudOfSettings(const std::string& settings) {
    const double v = textValue(settings.substr(0, settings.find(',')));
    return v > 0 && v < 1e7 ? static_cast<int>(v) : 0;
}

}  // namespace ravo
