#include "network/scratch_folder.h"

#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace network {

void ScratchFolderForThisThread(const std::string& folder) {
    if (::unshare(CLONE_FS) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot give this thread a folder of its own");
    if (::chdir(folder.c_str()) != 0) throw std::system_error(errno, std::generic_category(), folder);
}

}  // namespace network
