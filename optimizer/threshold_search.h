// VaR and the worst case: the k-th smallest event level of a selection (the
// worst case is k = every counted event).
//
// A selection's k-th smallest level is at most tau exactly when at most n - k
// events lie above tau: when its total in the Within(tau) model (the events
// it misses at tau) is at most n - k. The search tests thresholds tau among
// the impact values, bisecting by rank: a heuristic selection that misses few
// enough events lowers the best value found to its own value; a Lagrangian
// bound above n - k proves that no selection reaches tau, which lifts the
// bound to the next value above tau. Thresholds where neither succeeds are
// skipped, the search continuing below and above them. The search stops
// after a fixed effort (kThresholdCellVisits) with what it has proven.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/lagrangian_bound.h"
#include "optimizer/problem.h"
#include "optimizer/run_control.h"

namespace optimizer {

inline constexpr double kThresholdCellVisits = 3e10;

struct SearchOutcome {
    std::vector<std::int32_t> selection;
    double value = 0;  // the statistic of the selection
    double bound = 0;  // no selection of the size does better
};

// The k-th smallest impact level (1-based) of a selection.
double RankValue(const Problem& problem, const std::vector<std::int32_t>& selection, std::int32_t rank);

// `start` is a selection to begin from (of at most `size` columns).
SearchOutcome SearchRank(const Problem& problem, std::int32_t size, std::int32_t rank,
                         const std::vector<std::int32_t>& start, const DualSettings& dual, RunControl& control);

}  // namespace optimizer
