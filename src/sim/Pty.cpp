#include "sim/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ravo::sim {

Pty::Pty() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("cannot open a pseudo-terminal: ") + std::strerror(errno));
    path_ = name;
    // Raw bytes both ways: no echo, no line editing, no CR/LF translation.
    termios tio{};
    if (tcgetattr(slave_, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
    }
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
}

Pty::~Pty() {
    releaseSlave();
    closeMaster();
}

bool Pty::write(std::string_view bytes) {
    while (!bytes.empty()) {
        if (master_ < 0) return false;
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string Pty::read(int timeoutMs) {
    std::string out;
    if (master_ < 0) return out;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) return out;
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) out.assign(buf, static_cast<size_t>(n));
    return out;
}

void Pty::releaseSlave() {
    if (slave_ >= 0) ::close(slave_);
    slave_ = -1;
}

void Pty::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace ravo::sim
