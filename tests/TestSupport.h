// Helpers for the core tests: a receiver on a settable clock and an in-memory file
// system, and frames built with their CRC.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "core/Receiver.h"
#include "frames/Crc16.h"
#include "presentation/FileSystem.h"
#include "sim/Replay.h"

namespace ravo {

// What a decoder or an earlier frame would have left, arranged directly by a test.
struct ReceiverInternals {
    static ScreenModel& screen(Receiver& rx) { return rx.screen_; }
    static ProgramState& state(Receiver& rx) { return rx.state_; }
    static ProfileWindow& profile(Receiver& rx) { return rx.profile_; }
};

}  // namespace ravo

namespace ravo::test {

// Files as a map from path to content; folders as a set. Paths in `denied` exist
// but may not be written; `failing` paths fail to open at all.
class MemoryFileSystem : public FileSystem {
public:
    std::set<std::string> folders{"/logs/"};
    std::map<std::string, std::string> files;
    std::set<std::string> denied;
    std::set<std::string> failing;
    int appends = 0;

    bool folderExists(const std::string& p) override { return folders.count(p) > 0; }
    bool fileExists(const std::string& p) override { return files.count(p) > 0; }
    FileOutcome append(const std::string& p, std::string_view bytes) override {
        ++appends;
        if (denied.count(p)) return FileOutcome::Denied;
        if (failing.count(p)) return FileOutcome::Failed;
        const size_t slash = p.rfind('/');
        if (slash == std::string::npos || !folders.count(p.substr(0, slash + 1))) return FileOutcome::Failed;
        files[p].append(bytes);
        return FileOutcome::Ok;
    }
    bool createFolder(const std::string& p) override {
        folders.insert(p);
        return true;
    }
};

// Bytes as a string, one character per byte.
inline std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// A frame with its CRC-16 over every byte after the type code appended, low byte first.
inline std::string withCrc(std::string frame) {
    const Crc16 crc = crc16(std::string_view(frame).substr(1));
    frame.push_back(static_cast<char>(crc.low));
    frame.push_back(static_cast<char>(crc.high));
    return frame;
}
inline std::string frame(std::initializer_list<int> values) { return withCrc(bytes(values)); }

// A 12-byte payload wrapped in STX ... ETX as the receiver sends it.
inline std::string stxWrapped(const std::string& payload12, int marker = 0x11) {
    std::string s = bytes({0x02, marker, 0, 0, 0, 0xB0});
    s += payload12;
    s += bytes({0, 0, 0x03});
    return s;
}

// A receiver on a settable clock (7 December 2026, 12:00:00), logging into
// /logs/ of an in-memory file system, recording every message-box write.
struct Rig {
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    MemoryFileSystem fs;
    Receiver rx{clock.now(), fs, ReceiverSettings{"/logs/", '.'}};
    std::vector<std::string> messages;

    explicit Rig(bool vhf = true) {
        rx.selectBand(vhf);
        rx.observeScreen([this](const ModelChange& c) {
            if (c.kind == ModelChange::Kind::Message) messages.emplace_back(c.text);
        });
    }
    void enableLogging() { rx.setLogging(true, "/logs/"); }
    // The screen and the state, to arrange what earlier frames would have left.
    ScreenModel& screen() { return ReceiverInternals::screen(rx); }
    ProgramState& state() { return ReceiverInternals::state(rx); }
    bool tick() { return rx.tick(clock.now()); }
    bool pollCycle() { return rx.pollCycle(clock.now()); }
    void at(int h, int m, int s) { clock.set(LocalTime{2026, 12, 7, h, m, s, 0}); }
    // Delivers bytes as one receive event and ticks until the buffer is worked off.
    void feed(const std::string& b) {
        rx.receive(b);
        drainReceiveBuffer(rx, clock.now());
    }
    const std::string& message() const { return rx.screen().text(Field::txtinstring); }
    const std::string& cell(Field f, int row) const { return rx.screen().text(f, row); }
    std::string file(const std::string& name) const {
        auto it = fs.files.find("/logs/" + name);
        return it == fs.files.end() ? std::string("<missing>") : it->second;
    }
};

}  // namespace ravo::test
