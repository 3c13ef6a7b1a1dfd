// Writing a whole file or nothing: readers of the path see the old file or
// the complete new one, never a part.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Writes to a hidden temporary file in the target's folder, flushes it to
// disk and renames it over the target. On failure the temporary file is
// removed, an existing target is left as it was, and std::runtime_error
// says what went wrong and where (for example a folder that is missing or
// not writable). A target that exists and is not a regular file (a
// folder, device, FIFO, socket or symbolic link) is never replaced; a
// symbolic link is when oldLink says so (the link itself, never written
// through).
enum class OldLink { Refuse, Replace };
void WriteFileAtomically(const std::string& path, std::string_view content, OldLink oldLink = OldLink::Refuse);

}  // namespace base
