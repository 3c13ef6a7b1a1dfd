#include "network/workspace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace network {

namespace fs = std::filesystem;

namespace {

constexpr const char* kLockName = ".owner";
constexpr const char* kRunPrefix = "run-";
// A run's folder is made under this prefix and renamed once its lock is
// held, so that a run starting at the same moment never takes it for the
// folder of a run that died.
constexpr const char* kNewPrefix = "new-";

// The user's folder must be a real folder of this user that nobody else
// can enter; another user may have planted one under the same name.
void RequireOwnPrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) throw WorkspaceFailure(folder);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) throw WorkspaceFailure(folder);
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid() || (st.st_mode & 077) != 0) {
        errno = EPERM;
        throw WorkspaceFailure(folder + " is not a private folder of this user");
    }
}

// True when a lock can be taken on the run's lock file: its owner is gone.
// A run's folder without one is half removed; a new folder without one is
// still being made.
bool Abandoned(const fs::path& run, bool made) {
    const int fd = ::open((run / kLockName).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return made && errno == ENOENT;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

}  // namespace

std::runtime_error WorkspaceFailure(const std::string& what) {
    return std::runtime_error("Cannot make the program's private working folder: " + what + ": " +
                              std::strerror(errno));
}

std::string Workspace::UserFolder() {
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) temp = "/tmp";
    return (temp / ("tesmar-" + std::to_string(::getuid()))).string();
}

int Workspace::RemoveAbandoned() {
    std::error_code ec;
    int removed = 0;
    for (const auto& entry : fs::directory_iterator(UserFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        const bool made = name.rfind(kRunPrefix, 0) == 0;
        if (!(made || name.rfind(kNewPrefix, 0) == 0) || !entry.is_directory(ec) || entry.is_symlink(ec)) continue;
        if (!Abandoned(entry.path(), made)) continue;
        std::error_code removeError;
        if (fs::remove_all(entry.path(), removeError) > 0) ++removed;
    }
    return removed;
}

std::optional<std::string> NoSpaceLeft(int toolkitCode) {
    constexpr int kFirstFileError = 301, kLastFileError = 309;
    // Less than this is no room for a scratch file of hydraulic results.
    constexpr unsigned long long kRoom = 16ull << 20;
    if (toolkitCode < kFirstFileError || toolkitCode > kLastFileError) return std::nullopt;
    struct statvfs fs {};
    if (::statvfs(".", &fs) != 0 || static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize >= kRoom)
        return std::nullopt;
    std::error_code ec;
    return "No space left on device in " + fs::current_path(ec).string() +
           ", where the simulation toolkit keeps its hydraulic results";
}

Workspace::Workspace() {
    const std::string user = UserFolder();
    RequireOwnPrivateFolder(user);
    RemoveAbandoned();
    std::string staging = user + "/" + kNewPrefix + "XXXXXX";
    if (!::mkdtemp(staging.data())) throw WorkspaceFailure(staging);
    path_ = staging;
    // The lock file, too, gets its name only once it is locked.
    const std::string lock = path_ + "/" + kLockName;
    lockFd_ = ::open((lock + "-new").c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    bool ready = lockFd_ >= 0 && ::flock(lockFd_, LOCK_EX) == 0 && ::rename((lock + "-new").c_str(), lock.c_str()) == 0;
    if (ready) {
        const std::string run = user + "/" + kRunPrefix + staging.substr(staging.size() - 6);
        ready = ::rename(staging.c_str(), run.c_str()) == 0;
        if (ready) path_ = run;
    }
    if (!ready) {
        const int saved = errno;
        RemoveNow();
        errno = saved;
        throw WorkspaceFailure(path_);
    }
}

Workspace::~Workspace() { RemoveNow(); }

void Workspace::RemoveNow() noexcept {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
}

}  // namespace network
