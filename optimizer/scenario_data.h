// The matrices of one build as the optimizer reads them: borrowed views that
// are never copied whole (they may be memory-mapped files of several GB).
#pragma once

#include <cstdint>
#include <span>
#include <string>
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
    // The nodes' IDs in column order, when known; messages name nodes by them.
    std::span<const std::string> nodeIds;
};

// How messages name a node: its ID (escaped for display) when known, else
// "node N" counted from 1; and an event: "event N" counted from 1, as every
// program numbers events.
std::string NodeName(const ScenarioData& data, std::int32_t node);
std::string EventName(std::int32_t event);

}  // namespace optimizer
