#include "network/solving_copy.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace network {

namespace {

bool EndsReading(std::string_view line) {
    const std::size_t word = line.find_first_not_of(" \t");
    if (word == std::string_view::npos || line.size() - word < 4) return false;
    constexpr std::string_view kEnd = "[END";
    for (std::size_t i = 0; i < kEnd.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(line[word + i])) != kEnd[i]) return false;
    return true;
}

std::size_t EndOfReading(std::string_view text) {
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        if (EndsReading(text.substr(start, end - start))) return start;
        start = end + 1;
    }
    return text.size();
}

// A file of the folder without a name there, open for reading and writing.
int UnnamedFile(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    // File systems without unnamed files: make one and take its name away.
    std::string name = folder + "/tesmar-hydraulics-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
    return fd;
}

}  // namespace

std::string WithHydraulicsFile(std::string_view networkText, const std::string& hydraulicsFile) {
    const std::size_t at = EndOfReading(networkText);
    std::string text(networkText.substr(0, at));
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += "[OPTIONS]\nHYDRAULICS SAVE " + hydraulicsFile + "\n";
    text += networkText.substr(at);
    return text;
}

SolvingCopy::SolvingCopy(std::string_view networkText, const std::string& scratchFolder) {
    results_ = UnnamedFile(scratchFolder);
    if (results_ < 0)
        throw std::runtime_error("Cannot make a scratch file for the hydraulic results in " + scratchFolder + ": " +
                                 std::strerror(errno));
    const std::string results = "/proc/self/fd/" + std::to_string(results_);
    try {
        copy_ = std::make_unique<base::MemoryFile>("the network's copy to solve",
                                                   WithHydraulicsFile(networkText, results));
    } catch (...) {
        ::close(results_);
        throw;
    }
}

SolvingCopy::~SolvingCopy() { ::close(results_); }

std::string TemporaryFolder() {
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    return ec ? "/tmp" : folder.string();
}

std::optional<std::string> NoSpaceLeft(int toolkitCode, const std::string& scratchFolder) {
    constexpr int kFirstFileError = 301, kLastFileError = 309;
    // Less than this is no room for the hydraulic results of a project.
    constexpr unsigned long long kRoom = 16ull << 20;
    if (toolkitCode < kFirstFileError || toolkitCode > kLastFileError) return std::nullopt;
    struct statvfs fs {};
    if (::statvfs(scratchFolder.c_str(), &fs) != 0 || static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize >= kRoom)
        return std::nullopt;
    return "No space left on device in " + scratchFolder + ", where the simulation toolkit keeps its hydraulic results";
}

}  // namespace network
