// Matrix sets for tests: texts written the way the builder writes them, and
// sets held in memory.
#pragma once

#include <string>
#include <vector>

#include "matrix/matrix_set.h"

namespace matrix_testing {

// Description fields of an event row: one injection, two unused slots.
inline const std::string kDescription = "\"J1\",5,479167,999,999,999,999,999,999";

// The node IDs the texts below use: N1..Nn.
std::vector<std::string> NodeIds(int nNodes);

// The header record of N1..Nn, ended by CR LF.
std::string Header(int nNodes);

// The node IDs of the chain network of three junctions: J1, J2, J3, R1.
inline const std::vector<std::string> kChainIds{"J1", "J2", "J3", "R1"};

// Header, then one row per entry of rows, each the description, the values
// and the trailing comma, ended by CR LF.
std::string MatrixText(const std::vector<std::string>& ids, const std::vector<std::vector<std::string>>& rows,
                       const std::string& description = kDescription);
// The same for the nodes N1..Nn.
std::string MatrixText(int nNodes, const std::vector<std::vector<std::string>>& rows,
                       const std::string& description = kDescription);

// Writes the four matrix files of networkPath; an empty text leaves the
// file out.
void WriteMatrixSet(const std::string& networkPath, const std::string& z1, const std::string& z2,
                    const std::string& z3, const std::string& z4);

// A network file of exactly `size` bytes: the chain network with a comment
// line of padding in front.
std::string PaddedChainNetwork(int junctions, std::size_t size);

// A matrix set in memory in which no node detects anything: flags 0, Z1 the
// no-detection time, Z2 and Z3 the mark -1. Detects() then sets one cell;
// Set() gives the value.
class SetBuilder {
public:
    SetBuilder(int nNodes, int nEvents, float never = 11520.0f);
    void Detects(int node, int event, float z1, float z2, float z3);
    SetBuilder& WithoutZ2() {
        z2_ = false;
        return *this;
    }
    matrix::MatrixSet Set() const;

private:
    std::size_t At(int node, int event) const;
    int nNodes_, nEvents_;
    bool z2_ = true;
    std::vector<std::uint8_t> flags_;
    std::vector<float> z1_, z2cells_, z3_;
};

}  // namespace matrix_testing
