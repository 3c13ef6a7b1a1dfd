// Synthetic scenario matrices shaped like real builds, for the optimizer's
// benchmark and tests. A random network joins every node to its nearest
// neighbours; water flows away from a few sources (each pipe carries it from
// the end nearer a source to the other), so the contaminant of an injection
// reaches the nodes downstream of it. Every node is injected in turn, pipe
// travel times vary with the event (time of day), detection happens wherever
// the contaminant arrives within the simulated time, and impacts grow with
// the travel time to the detecting node. Injections at stagnant dead ends
// reach nothing: no node detects those events.
#pragma once

#include <cstdint>

#include "synthetic/scenario_set.h"

namespace synthetic {

enum class ImpactKind {
    Minutes,  // minutes to detection; undetected events count 120 x the simulated hours
    People,   // people drinking contaminated water by the detection time
};

struct ScenarioShape {
    std::int32_t nodes = 144;
    std::int32_t events = 288;
    ImpactKind impact = ImpactKind::People;
    std::uint64_t seed = 1;
    // Share of nodes that are stagnant dead ends (whose injections no node detects).
    double stagnantShare = 0.03;
    // Minutes water takes through one block length of pipe, drawn between these.
    double fastestPipeMinutes = 20, slowestPipeMinutes = 30;
    double simulatedHours = 96;
};

// The matrices filled on `threads` threads; the same shape gives the same
// matrices whatever the thread count.
ScenarioSet NetworkScenarios(const ScenarioShape& shape, int threads = 1);

}  // namespace synthetic
