// The value rules of the text reader applied to a set read in another form
// (the mapped binary files): one pass over every cell, on several threads
// when the set is large.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "matrix/matrix_set.h"

namespace matrix {

struct UnsoundCell {
    int matrix = 0;           // 1..4: the .zk matrix holding it
    std::int32_t event = 0;   // from 1
    std::string why;
};

// The first event (and the first of its matrices, .z4 before .z1 to .z3)
// holding a value the text reader refuses: a detection flag other than 0
// or 1, or a value row_checks.h calls unsound. Nothing when every cell is sound.
std::optional<UnsoundCell> FirstUnsoundCell(const MatrixSet& set);

}  // namespace matrix
