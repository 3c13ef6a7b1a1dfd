#include "matrix/file_names.h"

namespace matrix {

std::string MatrixFileName(const std::string& networkPath, int k) { return networkPath + ".z" + std::to_string(k); }

std::string BinaryFileName(const std::string& networkPath, int k) { return MatrixFileName(networkPath, k) + ".npy"; }

std::string ManifestFileName(const std::string& networkPath) { return networkPath + ".build.json"; }

std::string EventSummaryFileName(const std::string& networkPath) { return networkPath + ".events.csv"; }

}  // namespace matrix
