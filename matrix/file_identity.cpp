#include "matrix/file_identity.h"

#include <sys/stat.h>

namespace matrix {

namespace {

FileIdentity From(const struct stat& status) { return FileIdentity{status.st_dev, status.st_ino}; }

}  // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    return From(status);
}

std::optional<FileIdentity> EntryIdentityOf(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return std::nullopt;
    return From(status);
}

std::optional<FileIdentity> IdentityOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) return std::nullopt;
    return From(status);
}

}  // namespace matrix
