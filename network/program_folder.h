// Where the running program lives.
#pragma once

#include <cstdint>
#include <string>

namespace network {

// Folder of the running executable, without a trailing slash.
std::string ProgramFolder();

// Folder of the file that holds this code, without a trailing slash: the
// running executable's, or the shared library's when the code was linked
// into one (the Python extension, loaded by an interpreter elsewhere).
std::string CodeFolder();

// Size of a regular file in bytes, or -1 when it cannot be read.
std::int64_t FileSize(const std::string& path);

}  // namespace network
