// Placement under a planning request (plan_options.h): the heuristic of
// plan_search.h, the bounds of plan_bound.h and, with Options::exact, the
// model of plan_exact.h. Placement::value, bound and gap are those of the
// request's objective; Placement::figures stay the plain ones (equal weights,
// perfect sensors, first detections), PlanAnswer holds the rest.
#pragma once

#include "optimizer/options.h"
#include "optimizer/plan_options.h"
#include "optimizer/result.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

// With Options::curve: every budget step when there is a budget, else every
// sensor count. Throws RequestError as Optimize does, and for a request
// plan_model.h refuses.
Result Plan(const ScenarioData& data, const Options& options, const PlanOptions& plan);

}  // namespace optimizer
