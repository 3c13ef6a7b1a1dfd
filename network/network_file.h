// A network file read once. Its bytes are taken when the network is loaded,
// hashed, and kept in a private in-memory copy that every toolkit project
// of the run reads, so that all workers and processes build from the same network
// whatever happens to the user's file meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/memory_file.h"

namespace network {

class NetworkFile {
public:
    // Reads the file at path and keeps its copy. Throws std::runtime_error,
    // naming the file, when it cannot be read or the copy cannot be made.
    static std::shared_ptr<const NetworkFile> Snapshot(const std::string& path);
    NetworkFile(const NetworkFile&) = delete;
    NetworkFile& operator=(const NetworkFile&) = delete;

    const std::string& Path() const { return path_; }          // the user's file
    const std::string& CopyPath() const { return copy_->Path(); }  // the file the toolkit reads
    std::uint64_t Bytes() const { return bytes_; }
    const std::string& Sha256() const { return sha256_; }      // of the bytes taken
    const std::string& Text() const { return text_; }          // the bytes taken

private:
    NetworkFile() = default;
    std::string path_, sha256_, text_;
    std::unique_ptr<base::MemoryFile> copy_;
    std::uint64_t bytes_ = 0;
};

}  // namespace network
