#include "serial/qt/StopSignals.h"

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace ravo {
namespace {

// The handler may only write a byte; the notifier reads it on the event loop.
int signalPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char c = 1;
    (void)!::write(signalPipe[1], &c, 1);
}

}  // namespace

StopSignals::StopSignals(std::function<void()> stop, QObject* parent) : QObject(parent), stop_(std::move(stop)) {
    if (signalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char c;
        (void)!::read(signalPipe[0], &c, 1);
        if (stop_) stop_();
    });
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
}

StopSignals::~StopSignals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace ravo
