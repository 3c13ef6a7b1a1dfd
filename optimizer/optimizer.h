// Sensor placement: chooses where to put K sensors so that a statistic of
// the events' impacts is smallest, with a proven bound on the best possible.
//
// The heuristic always runs: lazy greedy, then best-improvement swaps; for
// the mean also swaps from the relaxation's best selections and a variable
// neighbourhood search among the nodes the bound cannot rule out; for the
// other statistics searches over thresholds of the impacts. The bounds are
// sound: a Lagrangian relaxation of the assignment model with subgradient
// steps for the mean; threshold coverage relaxations searched over the
// impact values for VaR and the worst case; for CVaR relaxations of the mean
// excess impact over a bracketed range of thresholds. With Options::exact
// mixed-integer models are solved by CBC.
#pragma once

#include "optimizer/options.h"
#include "optimizer/request_error.h"
#include "optimizer/result.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

// Throws RequestError for a bad request before any heavy work, and while
// reading the matrices for an impact that is not a finite number or when no
// event is left to count. Writes nothing to stdout or stderr.
Result Optimize(const ScenarioData& data, const Options& options);

}  // namespace optimizer
