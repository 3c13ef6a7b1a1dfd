// Matrix files for tests, written the way the builder writes them.
#pragma once

#include <string>
#include <vector>

namespace evaluator_testing {

// Description fields of an event row: one injection, two unused slots.
inline const std::string kDescription = "\"J1\",5,479167,999,999,999,999,999,999";

// Header of 999s and quoted IDs N1..Nn, then one row per entry of rows, each
// the description, the values and the trailing comma, ended by CR LF.
std::string MatrixText(int nNodes, const std::vector<std::vector<std::string>>& rows,
                       const std::string& description = kDescription);

// Writes the four matrix files of networkPath; an empty text leaves the
// file out.
void WriteMatrixSet(const std::string& networkPath, const std::string& z1, const std::string& z2,
                    const std::string& z3, const std::string& z4);

// A network file of exactly `size` bytes: the chain network with a comment
// line of padding in front.
std::string PaddedChainNetwork(int junctions, std::size_t size);

}  // namespace evaluator_testing
