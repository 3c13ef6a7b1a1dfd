// Figures of each node as a sensor on its own, for maps and tables.
#pragma once

#include <vector>

#include "matrix/matrix_set.h"

namespace evaluator {

struct NodeFigures {
    // Per node, 0-based: the share of events a sensor there detects (0..1),
    // and its mean minutes to detection over those events (NaN when it
    // detects none).
    std::vector<double> detectedShare;
    std::vector<double> meanMinutesToDetection;
};

// One pass over the detection and time matrices, on `threads` threads (0:
// every core the process may use).
NodeFigures ComputeNodeFigures(const matrix::MatrixSet& set, int threads = 0);

}  // namespace evaluator
