#include "network/program_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace network {

namespace fs = std::filesystem;

std::string ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fs::current_path().string();
    return exe.parent_path().string();
}

std::int64_t FileSize(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return -1;
    auto size = fs::file_size(path, ec);
    return ec ? -1 : static_cast<std::int64_t>(size);
}

// Tries to create a file, which also catches folders that only look writable
// (read-only mounts, or pseudo file systems when running as root).
static bool IsWritableDirectory(const fs::path& dir) {
    std::string probe = (dir / ".tesmar-probe-XXXXXX").string();
    int fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string EnsureWritableWorkingDirectory() {
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    if (!ec && IsWritableDirectory(here)) return here.string();

    fs::path scratch = fs::temp_directory_path(ec) / ("tesmar-" + std::to_string(::getuid()));
    ::mkdir(scratch.c_str(), 0700);
    struct stat st {};
    // Refuse a folder that another user planted under our name.
    if (::lstat(scratch.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return here.string();
    fs::current_path(scratch, ec);
    return ec ? here.string() : scratch.string();
}

}  // namespace network
