#include "base/write_all.h"

#include <unistd.h>

#include <cerrno>

namespace base {

namespace {

template <typename Write>
bool Repeat(std::size_t size, Write write) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

bool WriteAll(int fd, const char* data, std::size_t size) {
    return Repeat(size, [&](std::size_t done) { return ::write(fd, data + done, size - done); });
}

bool WriteAll(int fd, std::string_view bytes) { return WriteAll(fd, bytes.data(), bytes.size()); }

bool WriteAllAt(int fd, const char* data, std::size_t size, off_t at) {
    return Repeat(size, [&](std::size_t done) {
        return ::pwrite(fd, data + done, size - done, at + static_cast<off_t>(done));
    });
}

}  // namespace base
