// Writing whole buffers to file descriptors, as the set's files need it.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace matrix {

// Writes all size bytes at the current position; false with errno set when
// it cannot (a write that makes no progress counts as EIO).
bool WriteAll(int fd, const char* data, std::size_t size);

// The same at an offset, leaving the position alone.
bool WriteAllAt(int fd, const char* data, std::size_t size, off_t at);

}  // namespace matrix
