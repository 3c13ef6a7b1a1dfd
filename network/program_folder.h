// Where the running program lives.
#pragma once

#include <cstdint>
#include <string>

namespace network {

// Folder of the running executable, without a trailing slash.
std::string ProgramFolder();

// Size of a regular file in bytes, or -1 when it cannot be read.
std::int64_t FileSize(const std::string& path);

}  // namespace network
