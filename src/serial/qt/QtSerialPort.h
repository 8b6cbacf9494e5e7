// The serial port over QSerialPort. Received bytes are delivered on the thread
// that owns the object (the GUI thread), in order and unaltered.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTimer>
#include <string>
#include <vector>

#include "serial/SerialPort.h"

namespace ravo {

class QtSerialPort : public QObject, public SerialPort {
    Q_OBJECT
public:
    explicit QtSerialPort(QObject* parent = nullptr);
    ~QtSerialPort() override;

    OpenOutcome open(const std::string& device, const std::string& settings) override;
    void close() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool write(std::string_view bytes) override;

    // Waits until everything written has gone out; false on a time-out or error.
    bool flush(int timeoutMs);

    // Why the last open failed, as the system said it.
    const std::string& lastError() const { return lastError_; }

private:
    static constexpr int kCloseFlushMs = 200;
    static constexpr int kHangUpCheckMs = 200;
    void readAvailable();
    void errorOccurred(QSerialPort::SerialPortError error);

    QSerialPort port_;
    QTimer hangUpCheck_;
    std::string device_;
    std::string lastError_;
};

// The serial devices the system lists (their paths).
std::vector<std::string> listedSerialDevices();

}  // namespace ravo
