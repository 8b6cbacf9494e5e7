// A pseudo-terminal that acts as a receiver: the simulator writes to its master
// side, the monitor opens the device path of its slave side as a serial port.
#pragma once

#include <string>
#include <string_view>

namespace ravo::sim {

class Pty {
public:
    Pty();  // throws std::runtime_error when no pseudo-terminal can be had
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& devicePath() const { return path_; }
    int masterFd() const { return master_; }

    // Writes every byte to the master side (what the "receiver" sends); false when
    // the pty is gone.
    bool write(std::string_view bytes);
    // Reads what the other side wrote (commands to the receiver), waiting at most
    // timeoutMs; empty when nothing came.
    std::string read(int timeoutMs);
    // Closes the slave side that this object holds open, so that the other side's
    // close ends the line (for tests of a vanishing device); closeMaster() makes
    // the device vanish for whoever has it open.
    void releaseSlave();
    void closeMaster();

private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

}  // namespace ravo::sim
