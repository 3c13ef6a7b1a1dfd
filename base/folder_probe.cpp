#include "base/folder_probe.h"

#include <unistd.h>

#include <cstdlib>

namespace base {

bool FolderTakesFiles(const std::string& folder) {
    std::string probe = (folder.empty() ? std::string(".") : folder) + "/.probe-XXXXXX";
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace base
