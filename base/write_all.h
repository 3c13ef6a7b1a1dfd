// Writing whole buffers to file descriptors.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string_view>

namespace base {

// Writes all size bytes at the current position, repeating partial writes
// and retrying interrupted ones; false with errno set when it cannot. A
// write that makes no progress counts as EIO.
bool WriteAll(int fd, const char* data, std::size_t size);
bool WriteAll(int fd, std::string_view bytes);

// The same at an offset, leaving the position alone.
bool WriteAllAt(int fd, const char* data, std::size_t size, off_t at);

}  // namespace base
