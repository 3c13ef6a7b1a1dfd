// The folder where the toolkit keeps its scratch files, entered by one thread.
//
// The toolkit (2.3) gives its scratch files names relative to the current
// folder when a project is created ("enXXXXXX", made with mkstemp) and opens
// the hydraulic results under that name when hydraulics are solved; no call
// takes a folder for them. So a thread that runs the toolkit must stand in
// the run's private folder. Linux lets a thread have a current folder of its
// own (unshare(CLONE_FS)); the process's, and that of every thread already
// running, stay as they are. Threads this thread starts afterwards share its
// folder. Programs enter their workspace this way, explicitly; no other
// library code changes a folder.
#pragma once

#include <string>

#include "network/workspace.h"

namespace network {

class ThreadScratchFolder {
public:
    // Gives the calling thread a current folder of its own and makes it the
    // workspace. Throws std::runtime_error (see WorkspaceFailure) when the
    // thread cannot be separated or the workspace cannot be entered.
    explicit ThreadScratchFolder(const Workspace& workspace);
    // Returns the thread to the folder that was current before (to "/" when
    // that one is gone).
    ~ThreadScratchFolder();
    ThreadScratchFolder(const ThreadScratchFolder&) = delete;
    ThreadScratchFolder& operator=(const ThreadScratchFolder&) = delete;

private:
    std::string previous_;
};

// A program's run: its private folder, made and entered by the calling
// thread, which leaves it before it is removed. Throws as Workspace and
// ThreadScratchFolder do.
class EnteredWorkspace {
public:
    EnteredWorkspace() : entered_(workspace_) {}

    Workspace& Folder() { return workspace_; }

private:
    Workspace workspace_;
    ThreadScratchFolder entered_;
};

}  // namespace network
