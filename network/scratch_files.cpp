#include "network/scratch_files.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace network {

namespace fs = std::filesystem;

bool IsToolkitScratchName(const std::string& fileName) {
    if (fileName.size() != 8 || fileName.compare(0, 2, "en") != 0) return false;
    for (std::size_t i = 2; i < fileName.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(fileName[i]))) return false;
    return true;
}

int RemoveOpenScratchFiles() {
    std::error_code error;
    const fs::path here = fs::current_path(error);
    if (error) return 0;
    int removed = 0;
    // Each entry of /proc/self/fd links to a file this process holds open.
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(entry.path(), linkError);
        if (linkError || target.parent_path() != here || !IsToolkitScratchName(target.filename().string())) continue;
        if (fs::remove(target, linkError)) ++removed;
    }
    return removed;
}

}  // namespace network
