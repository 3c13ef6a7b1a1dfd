// Proven optima of planning requests by mixed-integer programming (CBC), for
// perfect sensors and first detections (redundancy 1): binary y_c per free
// column; per measure the requirements or the objective need, each event's
// level L_e = b_e - sum_c (b_e - v_ec) x_ec with x_ec <= y_c and
// sum_c x_ec <= 1 (b_e its level under the fixed sensors); the weighted mean
// sum_e w_e L_e, the worst case z >= L_e, or CVaR t + sum_e w_e s_e / (1 - alpha)
// with s_e >= L_e - t, s_e >= 0; rows for the count, the budget and each
// requirement. VaR is not modelled.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/plan_model.h"
#include "optimizer/result.h"
#include "optimizer/run_control.h"

namespace optimizer {

struct PlanExactOutcome {
    ExactStatus status = ExactStatus::NotRequested;
    bool found = false;       // selection holds a set better than the heuristic's
    bool infeasible = false;  // proven: no set meets the requirements
    std::vector<std::int32_t> selection;
    double bound = 0;
};

// True when the model covers the request (no failures, redundancy 1, no VaR).
bool PlanExactCovers(const PlanModel& model);

// `value` is the heuristic set's objective when it meets the requirements
// (solutions must beat it), else infinity.
PlanExactOutcome SolvePlanExactly(const PlanModel& model, double value, std::int64_t cellLimit, RunControl& control);

}  // namespace optimizer
