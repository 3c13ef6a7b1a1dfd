// What a placement run returns: the chosen sets with their figures and
// proven bounds, and the limits no set can pass.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "optimizer/options.h"

namespace optimizer {

// The statistics of one sensor set's per-event values over the counted events.
struct Figures {
    std::int32_t events = 0;    // events counted
    std::int32_t detected = 0;  // of them, events the set detects
    double detectedFraction = 0;
    double mean = 0;
    double var = 0;   // at the run's alpha
    double cvar = 0;  // at the run's alpha
    double worst = 0;

    double Value(Statistic statistic) const;
};

enum class ExactStatus {
    NotRequested,
    Optimal,        // the model was solved to proven optimality
    Stopped,        // time limit or stop request: value and bound are the best reached
    ModelTooLarge,  // more cells than Options::exactCellLimit: heuristic value and bound
    NotModelled,    // redundancy, failing sensors or VaR: heuristic value and bound
};

// How the chosen set stands against one requirement of a planning request
// (for the detected share: shares, the limit a least share).
struct RequirementAnswer {
    double value = 0;  // the set's statistic
    double limit = 0;
    bool met = false;
    // No set within the count and the budget does better than this (for the
    // detected share: reaches more); infeasible when it misses the limit.
    double best = 0;
    bool provenInfeasible = false;
};

// What a planning request (costs, budget, weights, requirements, redundancy,
// failing sensors) adds to an answer; `applied` false for a plain request.
struct PlanAnswer {
    bool applied = false;
    double cost = 0;  // the set's total, fixed sensors included
    double budget = std::numeric_limits<double>::quiet_NaN();  // the step's budget; NaN without one
    // The objective's statistics with the request's weights, redundancy and
    // failures; detected: events some set's sensor may detect, the share
    // weighted and expected.
    Figures figures;
    bool feasible = true;  // the set meets every requirement
    std::vector<RequirementAnswer> requirements;
};

// The answer for one sensor count.
struct Placement {
    std::int32_t sensors = 0;
    // The chosen set, ascending 0-based node indexes, fixed nodes included.
    // It holds fewer than `sensors` nodes only when no further node would
    // detect any counted event sooner or more cheaply.
    std::vector<std::int32_t> nodes;
    // The run's statistic of the chosen set, recomputed from the matrices.
    double value = 0;
    // Proven: no set of `sensors` nodes (with the fixed ones, within the
    // candidates) has a smaller value.
    double bound = 0;
    // (value - bound) / |value|; 0 when value is 0.
    double gap = 0;
    bool provenOptimal = false;
    Figures figures;
    ExactStatus exact = ExactStatus::NotRequested;
    PlanAnswer plan;
};

struct Result {
    // One placement, or with Options::curve one per sensor count in
    // ascending order (a stopped run may end the curve early).
    std::vector<Placement> placements;
    // Events that no candidate or fixed node detects: every set misses them.
    std::int32_t undetectableEvents = 0;
    // Figures with a sensor on every candidate node: no set of any size does
    // better in any statistic.
    Figures floor;
    // Figures of the fixed sensors alone (no sensor at all when there are
    // none): no set does worse.
    Figures ceiling;
    bool stoppedEarly = false;
    double seconds = 0;
    int threads = 0;

    // True when the statistic has the same value (within rounding) for every set: typically
    // the worst case, VaR or CVaR at a high level when undetectable events
    // carry the largest impacts.
    bool SameForEverySet(Statistic statistic) const;
};

}  // namespace optimizer
