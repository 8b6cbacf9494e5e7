// A simulated receiver for demonstrations: a pseudo-terminal whose device the
// monitor opens like a serial port, fed with simulated VHF traffic about twice a
// second. What the monitor sends to it (the monitor commands) is read and dropped.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "sim/Pty.h"
#include "sim/Simulator.h"

namespace ravo::app {

class DemoReceiver : public QObject {
    Q_OBJECT
public:
    explicit DemoReceiver(std::uint32_t seed, QObject* parent = nullptr);

    const std::string& devicePath() const { return pty_.devicePath(); }

private:
    void send();
    void drain();

    sim::Pty pty_;
    sim::Simulator simulator_;
    QTimer timer_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ravo::app
