// The private folder a program run gives the simulation toolkit.
//
// The toolkit keeps each project's hydraulic results in a scratch file in
// the current folder (tens of megabytes on a large network). So that no
// run ever writes into the user's folder, a program makes a folder of its
// own, readable by its user alone, and enters it on the thread that starts
// its work (see ThreadScratchFolder):
//   <temp>/tesmar-<uid>/run-XXXXXX
// The folder is removed when the Workspace goes. A run that was killed
// cannot clean up: its folder is removed by the next run that starts,
// once no process holds the lock file inside it any more.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace network {

class Workspace {
public:
    // Creates the folder; removes the folders of runs that ended without
    // cleaning. Throws std::runtime_error when no private folder can be made.
    Workspace();
    // Removes the folder.
    ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::string& Path() const { return path_; }

    // Removes the folder at once, for a program about to end without
    // unwinding (the window's "Quit").
    void RemoveNow() noexcept;

    // The folder holding every run's workspace of this user.
    static std::string UserFolder();
    // Removes the workspaces of runs that ended without cleaning; returns how many.
    static int RemoveAbandoned();

private:
    std::string path_;
    int lockFd_ = -1;
};

// The error of a program whose private folder cannot be made or entered,
// naming what failed and errno's reason.
std::runtime_error WorkspaceFailure(const std::string& what);

// What a toolkit failure to read or write its own files (codes 301 to 309)
// really means when the file system of the current folder, where the
// toolkit keeps its scratch files, is full: "No space left on device in
// <folder>". Nothing when there is room, or for any other failure.
std::optional<std::string> NoSpaceLeft(int toolkitCode);

}  // namespace network
