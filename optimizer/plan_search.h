// The heuristic of a planning request: greedy by gain per cost and by gain
// alone, the better kept, then best-improvement additions and swaps that keep
// the set within the count and the budget. Sets are compared first by how far
// they miss the requirements, then by the objective, then (for the tail
// statistics, whose value often does not move with one sensor) by the mean,
// and last (where R detections are needed, so that one sensor alone may
// change nothing) by the mean impact at the first detection.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/plan_model.h"
#include "optimizer/run_control.h"

namespace optimizer {

struct PlanScore {
    double violation = 0;  // summed relative excess over the requirements' limits
    double value = 0;      // the objective statistic
    double mean = 0;       // the objective's mean, a tie-breaker
    double guide = 0;      // with redundancy: the mean at the first detection, the last tie-breaker

    bool Feasible() const { return violation <= 0; }
};

// With `than` a set meeting the requirements, the requirements are not
// checked for a selection whose objective is no better: its violation is
// then infinite (it cannot be better than `than` either way).
PlanScore ScoreOf(const PlanModel& model, const std::vector<std::int32_t>& selection, const PlanScore* than = nullptr);

// True when a is better than b beyond rounding.
bool Better(const PlanScore& a, const PlanScore& b);

// Free columns (indexes >= fixedColumns), ascending. `start` is a selection
// to begin from; it is dropped when it does not fit.
std::vector<std::int32_t> SearchPlan(const PlanModel& model, const std::vector<std::int32_t>& start,
                                     RunControl& control);

}  // namespace optimizer
