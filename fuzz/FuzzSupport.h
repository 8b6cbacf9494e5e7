// A receiver for the fuzzers: a settable clock and files kept in memory (bounded),
// so that logging and error files are exercised without touching the disk.
#pragma once

#include <map>
#include <string>

#include "common/Clock.h"
#include "core/Receiver.h"
#include "presentation/FileSystem.h"

namespace ravo::fuzz {

class MemoryFiles : public FileSystem {
public:
    std::map<std::string, size_t> sizes;
    bool folderExists(const std::string& p) override { return p == "/logs/"; }
    bool fileExists(const std::string& p) override { return sizes.count(p) > 0; }
    FileOutcome append(const std::string& p, std::string_view bytes) override {
        if (p.rfind("/logs/", 0) != 0 || p.find('/', 6) != std::string::npos) return FileOutcome::Failed;
        if (p.size() % 7 == 0) return FileOutcome::Denied;  // now and then a locked file
        sizes[p] += bytes.size();
        return FileOutcome::Ok;
    }
    bool createFolder(const std::string&) override { return false; }
};

struct FuzzReceiver {
    SettableClock clock{LocalTime{2026, 12, 7, 12, 0, 0, 0}};
    MemoryFiles files;
    Receiver rx{clock.now(), files, ReceiverSettings{"/logs/", '.'}};
    FuzzReceiver() {
        rx.setLogging(true, rx.screen().text(Field::txtfilepath));
        rx.observeErrors(nullptr, false);
    }
};

}  // namespace ravo::fuzz
