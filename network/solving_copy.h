// The copy of a network that a toolkit project solving its hydraulics opens.
//
// The toolkit keeps a project's hydraulic results, which its quality solver
// reads back, in a file that only the network's text can name
// ([OPTIONS] HYDRAULICS SAVE <file>); without one it makes a file in the
// current folder. This copy is the network's text with that option added
// last, naming a file of the scratch folder that has no name there (made
// unnamed, or made and unlinked at once) and is reached through
// /proc/self/fd. So the results take room in the folder the caller chose,
// never in the user's, and go with the copy even when the process is
// killed. A HYDRAULICS line of the network's own is overridden: every
// project solves the hydraulics and keeps its results to itself.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/memory_file.h"

namespace network {

class SolvingCopy {
public:
    // Throws std::runtime_error naming the folder and the system's reason
    // when no file can be made in it, or the copy cannot be made.
    SolvingCopy(std::string_view networkText, const std::string& scratchFolder);
    ~SolvingCopy();
    SolvingCopy(const SolvingCopy&) = delete;
    SolvingCopy& operator=(const SolvingCopy&) = delete;

    const std::string& Path() const { return copy_->Path(); }  // the file the toolkit opens

private:
    int results_ = -1;
    std::unique_ptr<base::MemoryFile> copy_;
};

// The network's text with the option that names hydraulicsFile, placed
// before the line where the toolkit stops reading ("[END" in any case
// starting its first word), or at the end when there is none.
std::string WithHydraulicsFile(std::string_view networkText, const std::string& hydraulicsFile);

// The system's folder for temporary files (TMPDIR, or /tmp): the scratch
// folder of the programs.
std::string TemporaryFolder();

// What a toolkit failure to read or write its own files (codes 301 to 309)
// really means when the file system of the scratch folder, where the
// projects keep their hydraulic results, is full: "No space left on device
// in <folder>". Nothing when there is room, or for any other failure.
std::optional<std::string> NoSpaceLeft(int toolkitCode, const std::string& scratchFolder);

}  // namespace network
