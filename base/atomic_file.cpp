#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "base/write_all.h"

namespace base {

namespace fs = std::filesystem;

namespace {

// Long enough that two writers of the same file never pick the same name.
std::string TemporaryName(const fs::path& target) {
    std::random_device entropy;
    std::string name(1, '.');
    name.append(target.filename().string(), 0, 200).append(".tmp-");
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 10; ++i) name += kDigits[entropy() % 36];
    return (target.parent_path() / name).string();
}

[[noreturn]] void Fail(const fs::path& target, const std::string& what, int error) {
    throw std::runtime_error("cannot write " + target.string() + ": " + what + " (" + std::strerror(error) + ")");
}

[[noreturn]] void FailToCreate(const fs::path& target, int error) {
    std::string folder = target.parent_path().string();
    if (error == ENOENT || error == ENOTDIR) Fail(target, "the folder " + folder + " does not exist", error);
    if (error == EACCES || error == EPERM || error == EROFS)
        Fail(target, "the folder " + folder + " is not writable", error);
    Fail(target, "cannot create a file in " + folder, error);
}

// Creates the temporary file with the permissions a plain new file gets
// (the user's umask applies); retries the rare name clash.
int CreateTemporary(const fs::path& target, std::string& temporary) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        temporary = TemporaryName(target);
        int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        if (errno != EEXIST) FailToCreate(target, errno);
    }
    FailToCreate(target, EEXIST);
}

// 0 on success, otherwise the error number.
int WriteAndSync(int fd, std::string_view content) {
    if (!base::WriteAll(fd, content)) return errno;
    if (::fsync(fd) != 0 && errno != EINVAL) return errno;
    return 0;
}

// Makes the rename itself durable; a folder that cannot be synced changes nothing.
void SyncFolder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Renames the temporary file over the target, unless something other than a
// regular file (or, when links are replaced, a symbolic link) has taken the
// target's name: that is never replaced, whoever runs the program. Where the
// name is free, the rename refuses to replace
// what appears there meanwhile. 0 on success, otherwise the error number.
int MoveIntoPlace(const std::string& temporary, const fs::path& target, OldLink oldLink) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        struct stat status {};
        if (::lstat(target.c_str(), &status) == 0) {
            const bool replaceable =
                S_ISREG(status.st_mode) || (oldLink == OldLink::Replace && S_ISLNK(status.st_mode));
            if (!replaceable) return S_ISDIR(status.st_mode) ? EISDIR : EEXIST;
            return ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
        }
        if (errno != ENOENT) return errno;
        if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
        if (errno == EINVAL || errno == ENOSYS)  // a file system without the flag
            return ::rename(temporary.c_str(), target.c_str()) == 0 ? 0 : errno;
        if (errno != EEXIST) return errno;
    }
    return EEXIST;
}

}  // namespace

void WriteFileAtomically(const std::string& path, std::string_view content, OldLink oldLink) {
    fs::path target(path);
    if (target.filename().empty()) throw std::runtime_error("cannot write " + path + ": no file name given");
    if (target.parent_path().empty()) target = fs::path(".") / target;

    std::string temporary;
    int fd = CreateTemporary(target, temporary);
    int error = WriteAndSync(fd, content);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        Fail(target, "writing failed", error);
    }
    error = MoveIntoPlace(temporary, target, oldLink);
    if (error != 0) {
        ::unlink(temporary.c_str());
        Fail(target, error == EEXIST || error == EISDIR ? "it is not a regular file" : "cannot replace it", error);
    }
    SyncFolder(target.parent_path());
}

}  // namespace base
