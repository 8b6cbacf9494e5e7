#include "serial/qt/StopSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace ravo {
namespace {

// A pipe per signal: the handler may only write a byte, the notifier reads it on
// the event loop.
constexpr int kSignals = 65;
std::array<std::array<int, 2>, kSignals> pipes = [] {
    std::array<std::array<int, 2>, kSignals> p{};
    for (auto& fds : p) fds = {-1, -1};
    return p;
}();

void onSignal(int signal) {
    const char c = 1;
    (void)!::write(pipes[static_cast<size_t>(signal)][1], &c, 1);
}

}  // namespace

SignalEvents::SignalEvents(std::initializer_list<int> which, std::function<void()> handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), signals_(which) {
    for (const int s : signals_) {
        auto& fds = pipes[static_cast<size_t>(s)];
        if (s <= 0 || s >= kSignals || (fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, fds.data()) != 0)) {
            ok_ = false;
            continue;
        }
        auto notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, [this, fd = fds[0]] {
            char c;
            (void)!::read(fd, &c, 1);
            if (handler_) handler_();
        });
        notifiers_.push_back(std::move(notifier));
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        if (::sigaction(s, &sa, nullptr) != 0) ok_ = false;
    }
}

SignalEvents::~SignalEvents() {
    for (const int s : signals_) std::signal(s, SIG_DFL);
}

StopSignals::StopSignals(std::function<void()> stop, QObject* parent)
    : SignalEvents({SIGINT, SIGTERM}, std::move(stop), parent) {}

ReopenSignal::ReopenSignal(std::function<void()> reopen, QObject* parent)
    : SignalEvents({SIGHUP}, std::move(reopen), parent) {}

}  // namespace ravo
