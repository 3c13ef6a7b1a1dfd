#include "matrix/set_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace matrix {

namespace {

std::string ReadHolder(int fd) {
    char text[512] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string holder(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
    return holder.empty() ? "another program" : holder;
}

}  // namespace

SetLock::SetLock(const std::string& networkPath, Kind kind, const std::string& holder)
    : path_(LockFileName(networkPath)), kind_(kind) {
    // The lock file stays between builds: removing it would let a process
    // lock a file no longer named while another locks its successor.
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd_ < 0 && kind == Kind::Shared && (errno == EACCES || errno == EROFS)) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd_ < 0 && errno == ENOENT) return;  // a place no build can write to
    }
    if (fd_ < 0) throw std::runtime_error("Cannot lock the matrix set with " + path_ + ": " + std::strerror(errno));
    if (::flock(fd_, (kind == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const std::string holder = ReadHolder(fd_);
        ::close(fd_);
        fd_ = -1;
        throw SetBusy("The matrix set of " + networkPath + " is being built by " + holder +
                      (kind == Kind::Exclusive ? "; only one build of a network may run at a time"
                                               : "; try again when that build has ended"));
    }
    if (kind == Kind::Exclusive && !holder.empty()) {
        const std::string text = holder + "\n";
        if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, text.data(), text.size(), 0) < 0) {
            // The lock holds all the same; only the name in messages is lost.
        }
    }
}

SetLock::~SetLock() {
    if (fd_ < 0) return;
    if (kind_ == Kind::Exclusive && ::ftruncate(fd_, 0) != 0) {
        // A stale name in the file only shows in a later message.
    }
    ::close(fd_);
}

}  // namespace matrix
