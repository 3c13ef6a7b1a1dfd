// The values a per-event level can take, and so VaR and the worst case of a
// selection too: the events' base impacts and the columns' cell impacts.
#pragma once

#include <vector>

#include "optimizer/problem.h"

namespace optimizer {

// The smallest value above x; infinity when there is none.
double SmallestValueAbove(const Problem& problem, double x, int threads);

// A value strictly between low and high, about in the middle of those there
// by rank (from a sample when there are many); NaN when there is none.
double MiddleValueBetween(const Problem& problem, double low, double high, int threads);

// Every distinct value from low (included) up to high (excluded), ascending.
std::vector<double> ValuesFrom(const Problem& problem, double low, double high);

}  // namespace optimizer
