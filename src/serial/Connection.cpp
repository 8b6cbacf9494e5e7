#include "serial/Connection.h"

#include <algorithm>

#include "config/Commands.h"
#include "core/Receiver.h"

namespace ravo {

std::string permissionDeniedText(const std::string& device) {
    return "Permission denied for " + device + ". Add your user to the dialout group and log in again.";
}

Connection::Connection(Receiver& rx, SerialPort& port, PortTable table)
    : rx_(rx), port_(port), table_(std::move(table)) {
    port_.onData = [this](std::string_view bytes) {
        // Bytes of a port that is no longer ours (a probe's receiver answering) are dropped.
        if (connected_) rx_.receive(bytes);
    };
    port_.onFailure = [this] { portFailed(); };
}

OpenOutcome Connection::openCurrent() {
    const std::string device = table_.device(portNumber_);
    if (device.empty()) return OpenOutcome::InvalidPort;
    return port_.open(device, settings_);
}

void Connection::sendMonitorOn() {
    if (port_.isOpen()) port_.write(kMonitorOn);
}

void Connection::sendMonitorOff() {
    if (port_.isOpen()) port_.write(kMonitorOff);
}

void Connection::probePort(int n) {
    if (port_.isOpen()) port_.close();
    portNumber_ = n;
    if (openCurrent() == OpenOutcome::Ok) sendMonitorOn();
}

void Connection::probePortsAndClose() {
    for (int n = 10; n >= 1; --n) probePort(n);
    if (port_.isOpen()) port_.close();
}

void Connection::enumeratePorts() {
    portList_.clear();
    refused_.clear();
    for (int n = 1; n <= 255; ++n) {
        portNumber_ = n;
        if (table_.device(n).empty()) continue;  // no such port: the open would fail at once
        const OpenOutcome outcome = openCurrent();
        if (outcome == OpenOutcome::Ok) portList_.push_back(table_.entry(n));
        if (outcome == OpenOutcome::PermissionDenied) refused_.push_back(table_.device(n));
        port_.close();
    }
    portNumber_ = 255;
    notify();
}

void Connection::refreshPorts() {
    if (connected_) return;
    if (listDevices) {
        for (const int n : table_.add(listDevices())) {
            probePort(n);
            probePort(n);
        }
        if (port_.isOpen()) port_.close();
    }
    const int chosen = portNumber_;
    enumeratePorts();
    // The operator's choice stays when its port is still offered.
    const std::string entry = table_.entry(chosen);
    if (std::find(portList_.begin(), portList_.end(), entry) != portList_.end()) portNumber_ = chosen;
    notify();
}

std::vector<std::string> Connection::refusedTexts() const {
    std::vector<std::string> out;
    for (const std::string& d : refused_) out.push_back(permissionDeniedText(d));
    return out;
}

void Connection::startUp(FileSystem& files, const std::string& logFolder, const LocalTime& now) {
    rx_.setTime(now);
    for (int n = 10; n >= 1; --n) probePort(n);
    probePortsAndClose();
    rx_.selectBand(true);
    rx_.restartLine();
    if (!files.folderExists(logFolder)) files.createFolder(logFolder);
    enumeratePorts();
}

void Connection::selectEntry(const std::string& entry) {
    portNumber_ = portNumberOfEntry(entry);
    notify();
}

void Connection::connectClicked() {
    if (connected_) {
        disconnect();
        return;
    }
    switch (openCurrent()) {
        case OpenOutcome::Ok:
            connected_ = true;
            notify();
            break;
        case OpenOutcome::InvalidPort: rx_.raiseError(kPleaseSelectPort); break;
        case OpenOutcome::Busy: rx_.raiseError(kPortBusy); break;
        case OpenOutcome::PermissionDenied: rx_.raiseError(permissionDeniedText(table_.device(portNumber_))); break;
        case OpenOutcome::OtherFailure: break;
    }
}

void Connection::disconnect() {
    port_.close();
    connected_ = false;
    rx_.restartLine();
    notify();
}

void Connection::portFailed() {
    // Once: the port is closed at once, so a failing device cannot report again.
    if (!connected_) {
        if (port_.isOpen()) port_.close();
        return;
    }
    disconnect();
    rx_.raiseError(kConnectionLost);
    // A receiver that was unplugged is no longer offered.
    refreshPorts();
}

void Connection::chooseBaud(int baud) {
    if (connected_) return;
    settings_ = std::to_string(baud) + ",n,8,1";
    notify();
}

void Connection::shutDown() { sendMonitorOff(); }

void Connection::send(std::string_view bytes) {
    if (!port_.isOpen()) {
        rx_.raiseError(kNotConnected);
        return;
    }
    if (!port_.write(bytes)) rx_.raiseError("The command could not be written to the receiver.");
}

void Connection::setModeClicked() {
    const Command c = rx_.modeCommand();
    if (!c.ok()) rx_.raiseError(c.error);
    else send(c.bytes);
}

void Connection::setAddressesClicked(int count) {
    const Command c = rx_.addressesCommand(count);
    if (!c.ok()) rx_.raiseError(c.error);
    else send(c.bytes);
}

}  // namespace ravo
