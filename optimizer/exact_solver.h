// Proven optima by mixed-integer programming (CBC).
//
// The mean is one median model: binary y_c per column and, per cell whose
// mapped impact lies below the event's base, an assignment x_ec <= y_c with
// sum_c x_ec <= 1 (the rest of the event stays at its base); the total is
// sum_e base_e - sum (base_e - v_ec) x_ec. CVaR runs its threshold search
// (cvar_search.h) with such models of excess impacts solved exactly at the
// thresholds it needs; the direct model of CVaR has a weak relaxation. VaR
// and the worst case are settled by bisecting over the impact values between
// the heuristic's bound and value, each threshold a coverage model (y_c, and
// covered z_e <= sum of y_c over the columns within the threshold) asked
// whether few enough events stay uncovered.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/median_model.h"
#include "optimizer/median_solver.h"
#include "optimizer/mip_model.h"
#include "optimizer/options.h"
#include "optimizer/problem.h"
#include "optimizer/result.h"
#include "optimizer/run_control.h"

namespace optimizer {

struct ExactOutcome {
    ExactStatus status = ExactStatus::NotRequested;
    std::vector<std::int32_t> selection;
    double value = 0;  // the statistic of the selection
    double bound = 0;
};

// Improves `outcome` (selection, total, bound on the total) of a median
// model; true when its total is proven optimal or, given a finite cutoff,
// proven to be no less than the cutoff (the bound then reaches it).
bool SolveMedianExactly(const MedianModel& model, std::int32_t size, MedianOutcome& outcome, RunControl& control,
                        double cutoff = MipModel::kInfinity);

// `selection`, `value` and `bound` come from the heuristic; the outcome is never worse.
ExactOutcome SolveExactly(const Problem& problem, Statistic statistic, double alpha, std::int32_t size,
                          const std::vector<std::int32_t>& selection, double value, double bound,
                          std::int64_t cellLimit, const DualSettings& dual, RunControl& control);

}  // namespace optimizer
