#include "serial/qt/ReopenSignal.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace ravo {
namespace {

// The handler may only write a byte; the notifier reads it on the event loop.
int hangupPipe[2] = {-1, -1};

void onHangup(int) {
    const char c = 1;
    (void)!::write(hangupPipe[1], &c, 1);
}

}  // namespace

ReopenSignal::ReopenSignal(std::function<void()> reopen, QObject* parent)
    : QObject(parent), reopen_(std::move(reopen)) {
    if (hangupPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, hangupPipe) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(hangupPipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char c;
        (void)!::read(hangupPipe[0], &c, 1);
        if (reopen_) reopen_();
    });
    struct sigaction sa {};
    sa.sa_handler = onHangup;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGHUP, &sa, nullptr);
}

ReopenSignal::~ReopenSignal() { std::signal(SIGHUP, SIG_DFL); }

}  // namespace ravo
