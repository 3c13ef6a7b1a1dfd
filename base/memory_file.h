// A file held in memory alone, under a name that any code of this process,
// the simulation toolkit's included, opens like a file on disk
// (/proc/self/fd/N): each opening reads and writes the same bytes from its
// own position. It needs no folder and leaves nothing behind; it goes with
// the object, and the name must not be used after that.
#pragma once

#include <string>
#include <string_view>

namespace base {

class MemoryFile {
public:
    // An empty file. Throws std::runtime_error saying what it was for and
    // errno's reason when the system gives none.
    explicit MemoryFile(const std::string& purpose);
    // The same holding the bytes.
    MemoryFile(const std::string& purpose, std::string_view bytes);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace base
