#include "tesmar/report_output.h"

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "matrix/file_identity.h"
#include "matrix/file_names.h"
#include "base/user_text.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

namespace fs = std::filesystem;

namespace {

std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISLNK(mode)) return "a symbolic link";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a regular file";
}

// The files the page must never replace, by name: the network, its set,
// and every file in the given folders named like a file of some set.
std::vector<std::string> ProtectedFiles(const std::string& networkPath, const std::vector<fs::path>& folders) {
    std::vector<std::string> files = matrix::EverySetFileName(networkPath);
    files.push_back(networkPath);
    for (const fs::path& folder : folders) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            if (matrix::IsSetFileName(it->path().filename().string())) files.push_back(it->path().string());
    }
    return files;
}

[[noreturn]] void Refuse(const std::string& output, const std::string& why) {
    throw InputError("The report will not be written to " + base::ShownText(output) + ": " + why +
                     "; choose another file for the page");
}

}  // namespace

void RequireReplaceableOutput(const std::string& output, const std::string& networkPath) {
    if (matrix::IsSetFileName(output))
        Refuse(output, "the name is that of a matrix set's file (.z1 to .z4, .npy, .events.csv, .build.json, .lock)");
    struct stat status {};
    if (::lstat(output.c_str(), &status) != 0) return;  // a new file, or a folder the write reports on
    if (!S_ISREG(status.st_mode)) Refuse(output, "it is " + KindOf(status.st_mode));
    const matrix::FileIdentity target{status.st_dev, status.st_ino};
    const fs::path outputFolder = fs::path(output).parent_path();
    const fs::path networkFolder = fs::path(networkPath).parent_path();
    for (const std::string& file : ProtectedFiles(networkPath, {outputFolder, networkFolder})) {
        if (matrix::IdentityOf(file) != target) continue;
        if (file == networkPath) Refuse(output, "it is the network file");
        Refuse(output, "it is the matrix set's file " + base::ShownText(file));
    }
}

}  // namespace tesmar
