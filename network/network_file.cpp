#include "network/network_file.h"

#include <stdexcept>

#include "network/input_file.h"
#include "network/sha256.h"

namespace network {

namespace {

std::string ReadAll(const std::string& path) {
    try {
        return ReadInputFile(path);
    } catch (const InputFileError& e) {
        throw std::runtime_error("The network file " + path + " cannot be read: " + e.what());
    }
}

}  // namespace

std::shared_ptr<const NetworkFile> NetworkFile::Snapshot(const std::string& path) {
    std::shared_ptr<NetworkFile> file(new NetworkFile);
    file->text_ = ReadAll(path);
    const std::string& bytes = file->text_;
    file->path_ = path;
    file->bytes_ = bytes.size();
    file->sha256_ = Sha256Hex(bytes);
    file->copy_ = std::make_unique<base::MemoryFile>("the copy of the network file", bytes);
    return file;
}

}  // namespace network
