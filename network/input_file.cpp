#include "network/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace network {

namespace {

std::string WhatIsThere(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not a file";
    if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
    return "it is not a regular file";
}

}  // namespace

int OpenInputFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO without a writer would wait for one.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        struct stat status {};
        if (error == EISDIR || (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)))
            throw InputFileError(WhatIsThere(S_IFDIR));
        throw InputFileError(std::string("it cannot be opened: ") + std::strerror(error));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const std::string why = WhatIsThere(status.st_mode);
        ::close(fd);
        throw InputFileError(why);
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::string ReadInputFile(const std::string& path) {
    const int fd = OpenInputFile(path);
    std::string content;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            content.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            throw InputFileError(std::string("it cannot be read: ") + std::strerror(error));
        }
    }
    ::close(fd);
    return content;
}

}  // namespace network
