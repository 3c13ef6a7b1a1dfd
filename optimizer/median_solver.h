// Heuristic selection and bound for one median model.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "optimizer/lagrangian_bound.h"
#include "optimizer/median_model.h"
#include "optimizer/run_control.h"

namespace optimizer {

struct MedianOutcome {
    std::vector<std::int32_t> selection;
    double total = 0;
    double bound = -std::numeric_limits<double>::infinity();  // on the total; -inf without one
    std::vector<double> multipliers;  // of the bound, when there is one
};

// Greedy and swaps from `start` (cut to `size`) and, when a start is given,
// from scratch too; with `withBound` the Lagrangian bound, whose own
// selections are improved by swaps and taken when better, and then, while
// the bound stays below the total, `shakes` rounds of variable neighbourhood
// search: k columns swapped for random ones among those the relaxation rates
// best, swaps down to a local optimum, kept when better (k grows while
// nothing is found).
MedianOutcome SolveMedian(const MedianModel& model, std::int32_t size, const std::vector<std::int32_t>& start,
                          bool withBound, const DualSettings& dual, RunControl& control, int shakes = 0,
                          const std::vector<double>& startMultipliers = {});

}  // namespace optimizer
