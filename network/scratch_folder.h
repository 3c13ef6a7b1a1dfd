// The folder where the toolkit keeps its scratch files, set for one thread.
//
// The toolkit names its hydraulic results file in the current folder, so a
// thread that runs it must stand in the run's private folder. Linux lets a
// thread have a current folder of its own (unshare(CLONE_FS)); the
// process's, and that of every thread already running, stay as they are.
// Threads this thread starts afterwards share its folder.
#pragma once

#include <string>

namespace network {

// Gives the calling thread a current folder of its own and makes it folder.
// Throws std::system_error when the thread cannot be separated or folder
// cannot be entered.
void ScratchFolderForThisThread(const std::string& folder);

}  // namespace network
