#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "presentation/FileSystem.h"

namespace ravo {
namespace {

// True when another process holds a lock on the open file: a POSIX or open-file-
// description record lock (the OFD query sees both kinds), or a whole-file flock.
bool lockedByOthers(int fd) {
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;
    if (fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    flock(fd, LOCK_UN);
    return false;
}

}  // namespace

bool DiskFileSystem::folderExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DiskFileSystem::fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

FileOutcome DiskFileSystem::append(const std::string& path, std::string_view bytes) {
    const bool existed = fileExists(path);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return existed && (errno == EACCES || errno == EPERM) ? FileOutcome::Denied : FileOutcome::Failed;
    if (existed && lockedByOthers(fd)) {
        ::close(fd);
        return FileOutcome::Denied;
    }
    FileOutcome outcome = FileOutcome::Ok;
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            outcome = FileOutcome::Failed;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && outcome == FileOutcome::Ok) outcome = FileOutcome::Failed;
    return outcome;
}

bool DiskFileSystem::createFolder(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return folderExists(path);
}

}  // namespace ravo
