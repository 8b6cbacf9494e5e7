// The serial link of the main window: probing ports at start-up with the
// monitor-on command, the port list, Connect/Disconnect, the baud options, the
// configuration commands, and what happens when the open port fails.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "serial/PortTable.h"
#include "serial/SerialPort.h"

namespace ravo {

class Receiver;
class FileSystem;

inline constexpr const char* kPleaseSelectPort = "Please select a port.";
inline constexpr const char* kPortBusy =
    "The selected port is busy. Close any application using this port or select another.";
inline constexpr const char* kConnectionLost = "The connection to the receiver was lost.";
inline constexpr const char* kNotConnected = "Connect to the receiver before sending a command.";
std::string permissionDeniedText(const std::string& device);

inline constexpr int kBaudRates[] = {4800, 9600, 19200, 38400, 115200};

class Connection {
public:
    Connection(Receiver& rx, SerialPort& port, PortTable table);

    // The load of the main window: time stamp, two probe passes over ports 10 to 1,
    // VHF band, the default log folder, the port list.
    void startUp(FileSystem& files, const std::string& logFolder, const LocalTime& now);

    void probePort(int n);
    void probePortsAndClose();
    void enumeratePorts();

    // While disconnected: devices that appeared since the last look (from
    // `listDevices`) join the table after its last number and are probed with the
    // monitor-on command as at start-up; the list is built again, so a device that
    // vanished is no longer offered. Numbers already given keep their devices.
    void refreshPorts();
    // The system's serial devices now; empty when not set.
    std::function<std::vector<std::string>()> listDevices;

    // The devices that exist but that the user may not open (the last enumeration),
    // and the text that tells the operator what to do about each.
    const std::vector<std::string>& refusedDevices() const { return refused_; }
    std::vector<std::string> refusedTexts() const;

    // Selection in the port list (sets the port number; nothing is opened).
    void selectEntry(const std::string& entry);
    // The Connect/Disconnect button.
    void connectClicked();
    // A baud option; ignored while connected (the options are disabled then).
    void chooseBaud(int baud);

    void sendMonitorOn();
    void sendMonitorOff();
    // The close of the main window.
    void shutDown();

    // "Set Mode", "Set 3ch Add", "Set 8ch Add".
    void setModeClicked();
    void setAddressesClicked(int count);

    bool connected() const { return connected_; }
    std::string caption() const { return connected_ ? "Disconnect" : "Connect"; }
    int portNumber() const { return portNumber_; }
    const std::string& settings() const { return settings_; }
    int baud() const { return baudOfSettings(settings_); }
    const std::vector<std::string>& portList() const { return portList_; }
    const PortTable& table() const { return table_; }
    void setTable(PortTable table) { table_ = std::move(table); }

    // Called after every change of connection state, port list or baud rate.
    std::function<void()> changed;

private:
    OpenOutcome openCurrent();
    void disconnect();
    void portFailed();
    void send(std::string_view bytes);
    void notify() const {
        if (changed) changed();
    }

    Receiver& rx_;
    SerialPort& port_;
    PortTable table_;
    int portNumber_ = 1;
    std::string settings_ = "9600,n,8,1";
    bool connected_ = false;
    std::vector<std::string> portList_;
    std::vector<std::string> refused_;
};

}  // namespace ravo
