// The names of the files a matrix set consists of, all formed from the full
// path of the network file with a suffix appended.
#pragma once

#include <string>

namespace matrix {

// Matrix text file k (1..4) of a network: its path plus ".zk".
std::string MatrixFileName(const std::string& networkPath, int k);

// The binary form of matrix k: the text file's name plus ".npy".
std::string BinaryFileName(const std::string& networkPath, int k);

// How the set was built: the network's path plus ".build.json".
std::string ManifestFileName(const std::string& networkPath);

// One line per event with its injections and undetected impact: ".events.csv".
std::string EventSummaryFileName(const std::string& networkPath);

}  // namespace matrix
