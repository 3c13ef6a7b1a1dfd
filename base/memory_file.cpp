#include "base/memory_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "base/write_all.h"

namespace base {

namespace {

std::runtime_error Failure(const std::string& purpose, int error) {
    return std::runtime_error("Cannot make the in-memory file for " + purpose + ": " + std::strerror(error));
}

}  // namespace

MemoryFile::MemoryFile(const std::string& purpose) {
    fd_ = ::memfd_create("tesmar", MFD_CLOEXEC);
    if (fd_ < 0) throw Failure(purpose, errno);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

MemoryFile::MemoryFile(const std::string& purpose, std::string_view bytes) : MemoryFile(purpose) {
    // The delegated constructor has made the object: the destructor closes the file.
    if (!WriteAll(fd_, bytes)) throw Failure(purpose, errno);
}

MemoryFile::~MemoryFile() { ::close(fd_); }

}  // namespace base
