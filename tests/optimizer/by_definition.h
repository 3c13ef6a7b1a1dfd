// The statistics of a sensor set and the optimum found by trying every
// sensor set, computed from the definitions alone, to cross-check the
// optimizer.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/scenario_data.h"

namespace optimizer_testing {

// Nodes where the options let a sensor stand: fixed ones and free candidates.
std::vector<std::int32_t> PlaceableNodes(const optimizer::ScenarioData& data, const optimizer::Options& options);

// Events the statistics run over under the options.
std::vector<std::int32_t> CountedEvents(const optimizer::ScenarioData& data, const optimizer::Options& options);

// Each counted event's value under a sensor set: the smallest impact of the
// detecting sensors or the undetected impact, whichever is smaller (1 or 0
// for the Detection objective).
std::vector<double> ValuesUnder(const optimizer::ScenarioData& data, const optimizer::Options& options,
                                const std::vector<std::int32_t>& nodes);

std::int32_t DetectedUnder(const optimizer::ScenarioData& data, const optimizer::Options& options,
                           const std::vector<std::int32_t>& nodes);

// VaR as the smallest value v with P(X <= v) >= alpha, CVaR as the least
// t + E[(X - t)+] / (1 - alpha) over the values t.
double StatisticByDefinition(optimizer::Statistic statistic, const std::vector<double>& values, double alpha);

struct BruteForceOptimum {
    double value = 0;
    std::vector<std::int32_t> nodes;
};

// Tries every set of options.sensors nodes that holds the fixed ones.
BruteForceOptimum BruteForce(const optimizer::ScenarioData& data, const optimizer::Options& options);

}  // namespace optimizer_testing
