// The statistics of per-event values (see Statistic in options.h).
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/result.h"

namespace optimizer {

// The rank k (1..n) of the value at risk: the smallest k with k >= alpha n.
std::int32_t VarRank(std::int32_t n, double alpha);

// The k-th smallest of the values (1-based); reorders them.
double KthSmallest(std::vector<double>& values, std::int32_t k);

// CVaR given the value at risk `var` of the same values.
double CvarGivenVar(const std::vector<double>& values, double var, double alpha);

double StatisticOf(Statistic statistic, std::vector<double> values, double alpha);

// Mean, VaR, CVaR and worst case of the values, plus the detection counts.
Figures FiguresOf(std::vector<double> values, std::int32_t detected, double alpha);

}  // namespace optimizer
