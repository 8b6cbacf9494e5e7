#include "serial/qt/QtSerialPort.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSerialPortInfo>
#include <cerrno>

namespace ravo {

QtSerialPort::QtSerialPort(QObject* parent) : QObject(parent) {
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialPort::readAvailable);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialPort::errorOccurred);
    // Newer Qt (6.8) takes the empty reads of a pseudo-terminal whose other side
    // closed for no data and reports nothing; the terminal's settings can no
    // longer be read then.
    hangUpCheck_.setInterval(kHangUpCheckMs);
    connect(&hangUpCheck_, &QTimer::timeout, this, [this] {
        termios settings{};
        if (!port_.isOpen()) hangUpCheck_.stop();
        else if (::tcgetattr(port_.handle(), &settings) != 0 && errno == EIO) errorOccurred(QSerialPort::ResourceError);
    });
}

QtSerialPort::~QtSerialPort() { close(); }

OpenOutcome QtSerialPort::open(const std::string& device, const std::string& settings) {
    if (port_.isOpen()) return OpenOutcome::Busy;  // already open in this program
    lastError_.clear();
    device_ = device;
    struct stat st {};
    if (device.empty() || ::stat(device.c_str(), &st) != 0) {
        lastError_ = "no such device";
        return OpenOutcome::InvalidPort;
    }
    // A stable name (/dev/serial/by-id/...) is a link to whichever tty the device
    // has now: it is followed at every open, so a reconnect after a replug finds
    // the new tty, and the lock is taken on the tty itself.
    const QString target = QFileInfo(QString::fromStdString(device)).canonicalFilePath();
    port_.setPortName(target.isEmpty() ? QString::fromStdString(device) : target);
    const int baud = baudOfSettings(settings);
    port_.setBaudRate(baud > 0 ? baud : 9600);
    port_.setParity(QSerialPort::NoParity);
    port_.setDataBits(QSerialPort::Data8);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        hangUpCheck_.start();
        return OpenOutcome::Ok;
    }

    lastError_ = port_.errorString().toStdString();
    const QSerialPort::SerialPortError error = port_.error();
    port_.clearError();
    if (error == QSerialPort::DeviceNotFoundError) return OpenOutcome::InvalidPort;
    if (error == QSerialPort::PermissionError) {
        // Qt gives one error for both; the file's permissions tell them apart.
        if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES) return OpenOutcome::PermissionDenied;
        return OpenOutcome::Busy;
    }
    return OpenOutcome::OtherFailure;
}

void QtSerialPort::close() {
    if (port_.isOpen()) {
        // QSerialPort drops what it has not written yet when it closes; a probe
        // writes the monitor-on command and closes at once.
        flush(kCloseFlushMs);
        if (port_.isOpen()) port_.close();
    }
    port_.clearError();
}

bool QtSerialPort::write(std::string_view bytes) {
    if (!port_.isOpen()) return false;
    const qint64 n = port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return n == static_cast<qint64>(bytes.size());
}

bool QtSerialPort::flush(int timeoutMs) {
    while (port_.isOpen() && port_.bytesToWrite() > 0)
        if (!port_.waitForBytesWritten(timeoutMs)) return false;
    return port_.isOpen();
}

void QtSerialPort::readAvailable() {
    const QByteArray data = port_.readAll();
    if (!data.isEmpty() && onData) onData(std::string_view(data.constData(), static_cast<size_t>(data.size())));
}

void QtSerialPort::errorOccurred(QSerialPort::SerialPortError error) {
    // A device that goes away while open reports a resource error, or a read error
    // (a pseudo-terminal whose other side closed), again and again: close at once
    // and tell the owner once.
    if ((error != QSerialPort::ResourceError && error != QSerialPort::ReadError) || !port_.isOpen()) return;
    port_.close();
    port_.clearError();
    // Told from the event loop, not from inside the port's own signal, so that the
    // owner may open ports again (a refresh of the port list) in its handler.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (onFailure) onFailure();
        },
        Qt::QueuedConnection);
}

std::vector<std::string> listedSerialDevices() {
    std::vector<std::string> out;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        out.push_back(info.systemLocation().toStdString());
    return out;
}

}  // namespace ravo
