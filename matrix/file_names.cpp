#include "matrix/file_names.h"

namespace matrix {

std::string MatrixFileName(const std::string& networkPath, int k) { return networkPath + ".z" + std::to_string(k); }

}  // namespace matrix
