// The file operations of the reading logs and the error file: folder and file
// tests and appending text. Every append opens, writes and closes the file.
#pragma once

#include <string>
#include <string_view>

namespace ravo {

enum class FileOutcome {
    Ok,
    Denied,  // the file exists but may not be written: no permission, or another process holds a lock on it
    Failed   // any other failure (missing folder, disk full, ...)
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual bool folderExists(const std::string& path) = 0;
    virtual bool fileExists(const std::string& path) = 0;
    // Opens the file for appending (creating it when missing), writes the bytes
    // (possibly none) and closes it again.
    virtual FileOutcome append(const std::string& path, std::string_view bytes) = 0;
    // Creates a folder (and the folders above it); true when it exists afterwards.
    virtual bool createFolder(const std::string& path) = 0;
};

// The machine's file system.
class DiskFileSystem : public FileSystem {
public:
    bool folderExists(const std::string& path) override;
    bool fileExists(const std::string& path) override;
    FileOutcome append(const std::string& path, std::string_view bytes) override;
    bool createFolder(const std::string& path) override;
};

// No folder exists and nothing can be written: for runs that must not touch disk.
class NoFileSystem : public FileSystem {
public:
    bool folderExists(const std::string&) override { return false; }
    bool fileExists(const std::string&) override { return false; }
    FileOutcome append(const std::string&, std::string_view) override { return FileOutcome::Failed; }
    bool createFolder(const std::string&) override { return false; }
};

}  // namespace ravo
