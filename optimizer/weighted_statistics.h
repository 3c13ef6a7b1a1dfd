// Statistics of per-event values whose events weigh differently (weights
// summing to 1). With equal weights they are the statistics of statistics.h.
#pragma once

#include <vector>

#include "optimizer/options.h"

namespace optimizer {

// VaR: the smallest value whose events and those below weigh at least alpha
// (with the rank tolerance of statistics.h); CVaR: VaR + E[(X - VaR)+] /
// (1 - alpha); worst: the largest value of an event of positive weight.
double WeightedStatistic(Statistic statistic, const std::vector<double>& values, const std::vector<double>& weights,
                         double alpha);

}  // namespace optimizer
