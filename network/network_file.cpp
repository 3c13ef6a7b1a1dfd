#include "network/network_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/write_all.h"
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
    std::string copy = "network-XXXXXX.inp";
    const int fd = ::mkstemps(copy.data(), 4);
    if (fd < 0) throw std::runtime_error("Cannot copy the network file into the working folder: " + std::string(std::strerror(errno)));
    file->copy_ = copy;
    const bool written = base::WriteAll(fd, bytes);
    const int saved = errno;
    if (::close(fd) != 0 || !written)
        throw std::runtime_error("Cannot copy the network file into the working folder: " +
                                 std::string(std::strerror(written ? errno : saved)));
    // An absolute name, so that the copy is found whatever folder is current later.
    char* here = ::getcwd(nullptr, 0);
    if (here) {
        file->copy_ = std::string(here) + "/" + copy;
        std::free(here);
    }
    return file;
}

NetworkFile::~NetworkFile() {
    if (!copy_.empty()) ::unlink(copy_.c_str());
}

}  // namespace network
