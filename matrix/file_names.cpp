#include "matrix/file_names.h"

#include <array>

namespace matrix {

namespace {

constexpr std::array<std::string_view, 3> kFixedSuffixes = {".build.json", ".events.csv", ".lock"};

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() > tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// ".z1".."z4" at the end of the name.
bool EndsWithMatrixSuffix(std::string_view name) {
    for (int k = 1; k <= 4; ++k)
        if (EndsWith(name, ".z" + std::to_string(k))) return true;
    return false;
}

}  // namespace

std::string MatrixFileName(const std::string& networkPath, int k) { return networkPath + ".z" + std::to_string(k); }

std::string BinaryFileName(const std::string& networkPath, int k) { return MatrixFileName(networkPath, k) + ".npy"; }

std::string ManifestFileName(const std::string& networkPath) { return networkPath + ".build.json"; }

std::string EventSummaryFileName(const std::string& networkPath) { return networkPath + ".events.csv"; }

std::string LockFileName(const std::string& networkPath) { return networkPath + ".lock"; }

std::vector<std::string> EverySetFileName(const std::string& networkPath) {
    std::vector<std::string> names;
    for (int k = 1; k <= 4; ++k) {
        names.push_back(MatrixFileName(networkPath, k));
        names.push_back(BinaryFileName(networkPath, k));
    }
    names.push_back(ManifestFileName(networkPath));
    names.push_back(EventSummaryFileName(networkPath));
    names.push_back(LockFileName(networkPath));
    return names;
}

bool IsSetFileName(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
    for (std::string_view suffix : kFixedSuffixes)
        if (EndsWith(name, suffix)) return true;
    if (EndsWith(name, ".npy")) name.remove_suffix(4);
    return EndsWithMatrixSuffix(name);
}

}  // namespace matrix
