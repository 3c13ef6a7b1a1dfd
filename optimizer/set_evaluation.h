// The figures of a sensor set computed straight from the matrices, apart
// from the solvers' reduced problem.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/result.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

// Each counted event's value under the set `nodes` (see Objective).
std::vector<double> EventValues(const ScenarioData& data, Objective objective, const std::vector<std::int32_t>& nodes,
                                const std::vector<std::int32_t>& countedEvents, std::int32_t& detected);

Figures EvaluateSet(const ScenarioData& data, Objective objective, const std::vector<std::int32_t>& nodes,
                    const std::vector<std::int32_t>& countedEvents, double alpha);

}  // namespace optimizer
