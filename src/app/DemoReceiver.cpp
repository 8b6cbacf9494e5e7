#include "app/DemoReceiver.h"

#include <fcntl.h>

namespace ravo::app {

DemoReceiver::DemoReceiver(std::uint32_t seed, QObject* parent)
    : QObject(parent), simulator_(true, seed, sim::Forms::Mixed) {
    // Never block the window: while nobody reads the other side (disconnected), the
    // pseudo-terminal fills up and traffic is simply lost, as on a real line.
    fcntl(pty_.masterFd(), F_SETFL, fcntl(pty_.masterFd(), F_GETFL) | O_NONBLOCK);
    timer_.setInterval(500);
    connect(&timer_, &QTimer::timeout, this, &DemoReceiver::send);
    timer_.start();
    notifier_ = std::make_unique<QSocketNotifier>(pty_.masterFd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DemoReceiver::drain);
}

void DemoReceiver::send() { (void)pty_.write(simulator_.next().bytes); }

void DemoReceiver::drain() {
    // The monitor's commands; a real receiver would act on them.
    (void)pty_.read(0);
}

}  // namespace ravo::app
