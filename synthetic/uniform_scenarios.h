// Small scenario sets without structure, for cross-checks against brute
// force: every cell is detected independently, impacts are whole numbers (ties
// happen), undetected impacts sometimes lie below an event's impacts, and
// about one event in ten no node detects.
#pragma once

#include <cstdint>

#include "synthetic/scenario_set.h"

namespace synthetic {

struct UniformShape {
    std::int32_t nodes = 8;
    std::int32_t events = 20;
    double detectShare = 0.35;
    std::uint64_t seed = 1;
};

// The same shape gives the same set.
ScenarioSet UniformScenarios(const UniformShape& shape);

}  // namespace synthetic
