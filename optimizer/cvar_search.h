// CVaR. By Rockafellar-Uryasev, CVaR(S) = min over t of
// t + sum_e (x_e - t)+ / ((1 - alpha) n), reached at t = VaR(S); so the best
// CVaR is the minimum over t of G(t) = t + P(t) / ((1 - alpha) n), P(t) being
// the best total of the Excess(t) median model.
//
// Heuristic: alternate between the best t for the set (its VaR) and a good
// set for that t. Bound: every set's VaR lies between the VaR of the ideal
// levels and that of the base levels, so only t there matters. That range is
// cut into intervals at thresholds where P is bounded (Lagrangian bound, or
// solved exactly when an exact solver is given). On an interval [t1, t2],
// P(t) >= P(t2) since P never rises, and P(t) >= P(t1) - (t - t1) m1, m1
// counting the events whose base exceeds t1 (only their excess can shrink):
// the lowest point of the upper envelope of these two lines bounds G there.
// When no impact value lies inside the interval, every set's objective is
// linear in t over it, so G is concave there and its least value is at an
// end. The interval with the lowest bound is split at its middle impact value
// (by rank) until the bound meets the best CVaR found, or the effort ends.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "optimizer/lagrangian_bound.h"
#include "optimizer/median_solver.h"
#include "optimizer/problem.h"
#include "optimizer/run_control.h"
#include "optimizer/threshold_search.h"

namespace optimizer {

// Heuristic runs bound P at no more thresholds than this, and stop after
// this many cell visits (a minute or two on network 2's size).
inline constexpr int kCvarThresholdPoints = 48;
inline constexpr double kCvarCellVisits = 3e10;

// Solves a median model exactly, improving `outcome` (selection, total,
// bound), or proves that no total is below `cutoff` (the bound then reaches
// it); true when one of the two is proven.
using ExactMedianSolver =
    std::function<bool(const MedianModel& model, std::int32_t size, double cutoff, MedianOutcome& outcome)>;

struct CvarSearchOutcome {
    SearchOutcome search;
    bool proven = false;  // the bound meets the value
};

// With `exact`, thresholds are settled exactly and the search runs until the
// optimum is proven or the run stops, without a threshold budget.
CvarSearchOutcome SearchCvar(const Problem& problem, std::int32_t size, double alpha,
                             const std::vector<std::int32_t>& start, const DualSettings& dual, RunControl& control,
                             const ExactMedianSolver* exact = nullptr);

}  // namespace optimizer
