// What `tesmar place` (and `tesmar report` when it optimises) was asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "network/netload.h"
#include "optimizer/matrix_input.h"
#include "optimizer/options.h"

namespace tesmar {

struct PlaceRequest {
    std::int32_t Sensors = 0;
    std::string Objective = "z1";    // z1, z2, z3 or detect
    std::string Statistic = "mean";  // mean, var, cvar or worst
    double Alpha = optimizer::kDefaultAlpha;
    bool DetectableOnly = false;
    std::vector<std::string> Fixed, Exclude;
    std::string CandidatesFile;
    bool Curve = false;
    bool Exact = false;
    double TimeLimit = 0;  // seconds, 0: none
    std::optional<int> Threads;
    // Planning (see plan_request.h); Sensors 0: no count given.
    std::string CostsFile;
    std::optional<double> DefaultCost;
    std::optional<double> Budget;
    int BudgetSteps = 10;
    std::string WeightsFile;
    std::vector<std::string> Require;
    int Redundancy = 1;
    std::optional<double> FailureProbability;
};

// The names the options take.
inline const std::vector<std::string> kObjectiveNames{"z1", "z2", "z3", "detect"};
inline const std::vector<std::string> kStatisticNames{"mean", "var", "cvar", "worst"};

optimizer::Measure MeasureOf(const PlaceRequest& request);
optimizer::Statistic StatisticOf(const PlaceRequest& request);

// The optimizer's options for the request on a loaded network: node IDs
// become node indexes. Throws InputError for an unknown ID, an unreadable
// or empty candidate list, or an option out of range.
optimizer::Options ToOptions(const PlaceRequest& request, const network::Network& net);

}  // namespace tesmar
