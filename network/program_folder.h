// Where the running program lives, and where the toolkit may write its files.
#pragma once

#include <cstdint>
#include <string>

namespace network {

// Folder of the running executable, without a trailing slash.
std::string ProgramFolder();

// Size of a file in bytes, or -1 when it cannot be read.
std::int64_t FileSize(const std::string& path);

// The toolkit writes "rep.dat" and "out.dat" into the current directory. When
// that directory is not writable, switch to a private per-user temporary
// folder so the toolkit can still open networks. Returns the folder in use.
std::string EnsureWritableWorkingDirectory();

}  // namespace network
