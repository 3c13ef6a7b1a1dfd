// Planning questions on top of a placement request: what sensors cost and the
// budget they must fit, how likely each event is, guarantees a set must meet,
// how many sensors must confirm a detection, and how often sensors fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

// A guarantee the chosen set must meet: a statistic of a measure at most a
// limit, or the detected share at least one. The measure's matrices may be
// other ones than the objective's (same events and nodes); the statistic is
// taken with the plan's weights, redundancy and failures.
struct Requirement {
    enum class Kind { Detected, Mean, VaR, CVaR, Worst };
    Kind kind = Kind::Detected;
    double limit = 0;
    // The measure's matrices (Impact objective); unused for Detected.
    const ScenarioData* data = nullptr;
    std::string text;  // as the user wrote it, for messages
};

struct PlanOptions {
    // Per node; empty: every node costs 1. Costs are >= 0.
    std::vector<double> nodeCost;
    // Largest total cost of the set (fixed sensors included); none: no budget.
    std::optional<double> budget;
    // Whether Options::sensors limits the set's size; without it only the
    // budget does.
    bool sensorsGiven = true;
    // Per event of the data; empty: all equal. Weights are >= 0 with a
    // positive sum; they are normalised over the counted events.
    std::vector<double> eventWeight;
    // Per node: the chance the sensor misses an event it would detect; empty: none.
    std::vector<double> nodeFailure;
    // Detections that make an event detected; its impact is at the R-th.
    std::int32_t redundancy = 1;
    std::vector<Requirement> requirements;
    // With Options::curve and a budget: the budgets solved, ascending, the
    // last being the budget.
    std::vector<double> budgetSteps;

    bool Any() const {
        return !nodeCost.empty() || budget || !sensorsGiven || !eventWeight.empty() || !nodeFailure.empty() ||
               redundancy != 1 || !requirements.empty();
    }
};

}  // namespace optimizer
