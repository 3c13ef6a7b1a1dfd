// Matrix files for the tesmar tests: hand-written ones for fitness cases,
// and a look at the ones a build left.
#pragma once

#include <string>
#include <vector>

namespace tesmar_testing {

// A matrix file's text: the header naming the nodes, then one record per
// row of values, each with one injection at the first node described.
std::string MatrixText(const std::vector<std::string>& nodeIds, const std::vector<std::vector<std::string>>& rows);

// The texts of the four matrix files of a network ("" for a missing one).
std::vector<std::string> MatrixTexts(const std::string& networkPath);

// Writes "old" matrix files beside the network so a test can tell whether
// a run touched them.
void WriteOldMatrixFiles(const std::string& networkPath);
bool OldMatrixFilesUntouched(const std::string& networkPath);

// Files in the folder whose names end in ".z1" to ".z4".
std::vector<std::string> MatrixFilesIn(const std::string& folder);

}  // namespace tesmar_testing
