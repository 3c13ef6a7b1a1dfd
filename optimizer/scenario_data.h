// The matrices of one build as the optimizer reads them: borrowed views that
// are never copied whole (they may be memory-mapped files of several GB).
#pragma once

#include <cstdint>
#include <vector>

namespace optimizer {

// Row-major [event][node], events and nodes 0-based.
struct ScenarioData {
    std::int32_t nEvents = 0, nNodes = 0;
    // nEvents * nNodes cells; nonzero = the node detects the event (matrix::Detects).
    const std::uint8_t* detected = nullptr;
    // nEvents * nNodes cells; the impact at the node's first detection. Only
    // cells whose flag is set are read, and none for the Detection objective.
    const float* impact = nullptr;
    // nEvents values: the event's impact when the set misses it (read for the
    // Impact objective only).
    std::vector<double> undetectedImpact;
};

}  // namespace optimizer
