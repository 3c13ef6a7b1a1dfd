// The names of the files a matrix set consists of, all formed from the full
// path of the network file with a suffix appended.
#pragma once

#include <string>

namespace matrix {

// Matrix text file k (1..4) of a network: its path plus ".zk".
std::string MatrixFileName(const std::string& networkPath, int k);

}  // namespace matrix
