// Sensor placement: chooses where to put K sensors so that a statistic of
// the events' impacts is smallest, with a proven bound on the best possible.
//
// The heuristic (lazy greedy, then best-improvement swaps) always runs. The
// bounds are sound: a Lagrangian relaxation of the assignment model with
// subgradient steps for the mean; threshold coverage relaxations searched
// over the impact values for VaR and the worst case; for CVaR the relaxation
// of the mean of excess impacts over a bracketed range of thresholds. With
// Options::exact the mixed-integer model is solved by CBC.
#pragma once

#include "optimizer/options.h"
#include "optimizer/request_error.h"
#include "optimizer/result.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

// Throws RequestError for a bad request or unreadable data, before any
// heavy work. Writes nothing to stdout or stderr.
Result Optimize(const ScenarioData& data, const Options& options);

}  // namespace optimizer
