// The binary form of a matrix set, mapped into memory when it is complete
// and agrees with the text files: every text file has its .npy and no other
// does, every .npy is a valid float32 (.z1 to .z3) or uint8 (.z4) matrix of
// the network's node count with the same number of rows, the text files
// name the network's nodes, the detection text file holds exactly that many
// event records, each text file's last record matches the last row, and
// every cell passes the text reader's value rules. When the manifest
// recorded the set's files, the binary files must also be those (size and
// SHA-256) and the text files of the recorded sizes (set_digests.h).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "matrix/matrix_set.h"
#include "matrix/set_digests.h"

namespace matrix {

struct BinaryLoad {
    bool present = false;            // some .npy file of the set is there
    std::optional<MatrixSet> set;    // the mapped set, when it can be used
    std::string whyNot;              // why it cannot, when present but not used
};

BinaryLoad LoadBinarySet(const std::string& networkPath, std::span<const std::string> nodeIds,
                         const std::vector<FileDigest>& recorded = {});

}  // namespace matrix
