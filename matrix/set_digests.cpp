#include "matrix/set_digests.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/evp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <stdexcept>

#include "matrix/file_names.h"
#include "network/sha256.h"

namespace matrix {

namespace {

namespace fs = std::filesystem;

bool IsBinary(const std::string& name) { return name.size() > 4 && name.compare(name.size() - 4, 4, ".npy") == 0; }

// The suffixes of the set's files after the network's path, in the order the
// manifest lists them.
std::vector<std::string> SetSuffixes(const std::string& networkPath) {
    std::vector<std::string> paths;
    for (int k = 1; k <= 4; ++k) paths.push_back(MatrixFileName(networkPath, k));
    for (int k = 1; k <= 4; ++k) paths.push_back(BinaryFileName(networkPath, k));
    paths.push_back(EventSummaryFileName(networkPath));
    for (std::string& path : paths) path.erase(0, networkPath.size());
    return paths;
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

}  // namespace

FileDigest DigestFile(const std::string& path, const std::string& name) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) throw std::runtime_error(path + " cannot be read: " + std::strerror(errno));
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    bool ok = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
    FileDigest digest;
    digest.name = name;
    std::vector<char> block(std::size_t{1} << 20);
    for (ssize_t got; ok && (got = ::read(fd, block.data(), block.size())) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        digest.bytes += static_cast<std::uint64_t>(got);
        ok = EVP_DigestUpdate(context.get(), block.data(), static_cast<std::size_t>(got)) == 1;
    }
    const int saved = errno;
    ::close(fd);
    unsigned char value[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok || EVP_DigestFinal_ex(context.get(), value, &length) != 1)
        throw std::runtime_error(path + " cannot be read: " + std::strerror(saved));
    digest.sha256 = network::DigestHex(value, length);
    return digest;
}

std::vector<FileDigest> DigestSetFiles(const std::string& networkPath) {
    std::vector<std::future<FileDigest>> digests;
    for (const std::string& suffix : SetSuffixes(networkPath))
        if (Exists(networkPath + suffix))
            digests.push_back(std::async(std::launch::async, DigestFile, networkPath + suffix, suffix));
    std::vector<FileDigest> files;
    for (auto& digest : digests) files.push_back(digest.get());
    return files;
}

std::optional<std::string> BinaryDigestMismatch(const std::string& networkPath,
                                                const std::vector<FileDigest>& recorded) {
    if (recorded.empty()) return std::nullopt;
    const std::string manifest = ManifestFileName(networkPath);
    std::vector<std::pair<const FileDigest*, std::future<FileDigest>>> binaries;
    const auto suffixes = SetSuffixes(networkPath);
    for (const FileDigest& file : recorded) {
        if (std::find(suffixes.begin(), suffixes.end(), file.name) == suffixes.end())
            return manifest + " records a file \"" + file.name + "\" that is not of a matrix set";
        const std::string path = networkPath + file.name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            return path + " is missing or not a regular file, but " + manifest + " records it";
        if (static_cast<std::uint64_t>(st.st_size) != file.bytes)
            return path + " holds " + std::to_string(st.st_size) + " bytes where " + manifest + " records " +
                   std::to_string(file.bytes);
        if (IsBinary(file.name))
            binaries.emplace_back(&file, std::async(std::launch::async, DigestFile, path, file.name));
    }
    for (const std::string& suffix : suffixes)
        if (IsBinary(suffix) && Exists(networkPath + suffix) &&
            std::none_of(recorded.begin(), recorded.end(), [&](const FileDigest& f) { return f.name == suffix; }))
            return networkPath + suffix + " is not among the files " + manifest + " records";
    std::optional<std::string> mismatch;
    for (auto& [file, digest] : binaries) {
        const FileDigest found = digest.get();  // every thread is waited for
        if (!mismatch && found.sha256 != file->sha256)
            mismatch = networkPath + file->name + " is not the file its build wrote: its SHA-256 is " + found.sha256 +
                       ", " + manifest + " records " + file->sha256;
    }
    return mismatch;
}

}  // namespace matrix
