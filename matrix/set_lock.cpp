#include "matrix/set_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/write_all.h"

namespace matrix {

namespace {

// Times a name may lead to another file before the lock is given up.
constexpr int kLockAttempts = 10;

std::string ReadHolder(int fd) {
    char text[512] = {};
    const ssize_t n = ::pread(fd, text, sizeof text - 1, 0);
    std::string holder(text, n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
    return holder.empty() ? "another program" : holder;
}

// Names what is in the lock's place when it cannot be opened as a file.
[[noreturn]] void FailToOpen(const std::string& path, int error) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0) {
        if (S_ISLNK(status.st_mode))
            throw LockRefused("The lock file " + path + " is a symbolic link; a link is refused as a lock (remove it)");
        if (S_ISDIR(status.st_mode))
            throw LockRefused("The lock file " + path + " is a folder; it cannot serve as a lock (remove it)");
    }
    throw std::runtime_error("Cannot lock the matrix set with " + path + ": " + std::strerror(error));
}

}  // namespace

SetLock::SetLock(const std::string& networkPath, Kind kind, const std::string& holder)
    : path_(LockFileName(networkPath)), kind_(kind) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt)
        if (LockNamedFile(networkPath, holder)) {
            LockNetworkFile(networkPath);
            return;
        }
    throw LockRefused("The lock file " + path_ + " keeps being replaced; the matrix set cannot be locked");
}

bool SetLock::LockNamedFile(const std::string& networkPath, const std::string& holder) {
    // The lock file stays between builds: removing it would let a process
    // lock a file no longer named while another locks its successor.
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd_ < 0 && kind_ == Kind::Shared && (errno == EACCES || errno == EROFS)) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0 && errno == ENOENT) return true;  // a place no build can write to
    }
    if (fd_ < 0) FailToOpen(path_, errno);
    struct stat status {};
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw LockRefused("The lock file " + path_ + " is not a regular file; it cannot serve as a lock (remove it)");
    }
    if (::flock(fd_, (kind_ == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        const std::string holder = ReadHolder(fd_);
        ::close(fd_);
        fd_ = -1;
        throw SetBusy("The matrix set of " + networkPath + " is being built by " + holder +
                      (kind_ == Kind::Exclusive ? "; only one build of a network may run at a time"
                                                : "; try again when that build has ended"));
    }
    locked_ = IdentityOf(fd_);
    if (!StillHeld()) {  // removed or replaced between the open and the lock
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    if (kind_ == Kind::Exclusive && !holder.empty()) {
        const std::string text = holder + "\n";
        if (::ftruncate(fd_, 0) != 0 || !base::WriteAllAt(fd_, text.data(), text.size(), 0)) {
            // The lock holds all the same; only the name in messages is lost.
        }
    }
    return true;
}

void SetLock::LockNetworkFile(const std::string& networkPath) {
    // A network that cannot be opened here is refused when it is loaded.
    networkFd_ = ::open(networkPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (networkFd_ < 0) return;
    struct stat status {};
    if (::fstat(networkFd_, &status) == 0 && S_ISREG(status.st_mode) &&
        ::flock(networkFd_, (kind_ == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0)
        return;
    const bool busy = S_ISREG(status.st_mode) && errno == EWOULDBLOCK;
    ::close(networkFd_);
    networkFd_ = -1;
    if (!busy) return;
    const std::string holder = fd_ >= 0 ? ReadHolder(fd_) : "another program";
    Release();
    throw SetBusy("The matrix set of " + networkPath + " is being built by " +
                  (holder == "another program" ? "another build whose lock file " + path_ + " was replaced" : holder) +
                  (kind_ == Kind::Exclusive ? "; only one build of a network may run at a time"
                                            : "; try again when that build has ended"));
}

void SetLock::Release() {
    if (networkFd_ >= 0) ::close(networkFd_);
    networkFd_ = -1;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool SetLock::StillHeld() const { return fd_ < 0 || (locked_ && EntryIdentityOf(path_) == locked_); }

std::string SetLock::LostMessage() const {
    return "the lock file " + path_ + " was removed or replaced while this program held it, so another build may "
           "have written the matrix set meanwhile; this program's result cannot be trusted (build again)";
}

SetLock::~SetLock() {
    if (fd_ >= 0 && kind_ == Kind::Exclusive && StillHeld() && ::ftruncate(fd_, 0) != 0) {
        // A stale name in the file only shows in a later message.
    }
    Release();
}

}  // namespace matrix
