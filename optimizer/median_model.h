// The reduced problem seen through a cost transform, as a p-median-like
// model: each event takes the smallest mapped impact among its base and the
// selected columns' cells, and a selection is as good as the sum ("total")
// of these event levels.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/cost_transform.h"
#include "optimizer/problem.h"

namespace optimizer {

struct MedianModel {
    const Problem* problem = nullptr;
    CostTransform cost;
    std::vector<double> base;   // per event: mapped base, its level with no free sensor
    std::vector<double> ideal;  // per event: mapped ideal, its level with every column selected
    std::vector<std::int64_t> cuts;  // column ranges for the threads
    bool wholeTotals = false;   // totals are whole numbers (Within without tie-breaker)
};

MedianModel MakeMedianModel(const Problem& problem, CostTransform cost, int threads);

std::vector<double> LevelsUnder(const MedianModel& model, const std::vector<std::int32_t>& selection);
// Each event's impact under a selection (the levels of the Identity model).
std::vector<double> ImpactLevels(const Problem& problem, const std::vector<std::int32_t>& selection);
double Total(const std::vector<double>& levels);
void LowerLevels(const MedianModel& model, std::int32_t column, std::vector<double>& levels);

// How much adding the column would lower the total from the given levels.
double ColumnGain(const MedianModel& model, std::int32_t column, const std::vector<double>& levels);
// ColumnGain of every column, on the run's threads.
void ColumnGains(const MedianModel& model, const std::vector<double>& levels, std::vector<double>& gains);

}  // namespace optimizer
