#include "network/scratch_folder.h"

#include <sched.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace network {

ThreadScratchFolder::ThreadScratchFolder(const Workspace& workspace) {
    std::error_code ec;
    previous_ = std::filesystem::current_path(ec).string();
    if (::unshare(CLONE_FS) != 0 || ::chdir(workspace.Path().c_str()) != 0) throw WorkspaceFailure(workspace.Path());
}

ThreadScratchFolder::~ThreadScratchFolder() {
    if (!previous_.empty() && ::chdir(previous_.c_str()) != 0 && ::chdir("/") != 0) {
        // Nowhere to go; the thread stays where it is.
    }
}

}  // namespace network
