// The names of the files a matrix set consists of, all formed from the full
// path of the network file with a suffix appended.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace matrix {

// Matrix text file k (1..4) of a network: its path plus ".zk".
std::string MatrixFileName(const std::string& networkPath, int k);

// The binary form of matrix k: the text file's name plus ".npy".
std::string BinaryFileName(const std::string& networkPath, int k);

// How the set was built: the network's path plus ".build.json".
std::string ManifestFileName(const std::string& networkPath);

// One line per event with its injections and undetected impact: ".events.csv".
std::string EventSummaryFileName(const std::string& networkPath);

// The lock of the set (see set_lock.h): ".lock".
std::string LockFileName(const std::string& networkPath);

// Every file of a network's set, whether it exists or not.
std::vector<std::string> EverySetFileName(const std::string& networkPath);

// Whether a file name (or path) has the form of a file of some network's
// set: any name with a non-empty stem followed by one of the suffixes above.
bool IsSetFileName(std::string_view name);

}  // namespace matrix
