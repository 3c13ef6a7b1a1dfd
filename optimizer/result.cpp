#include "optimizer/result.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

double Figures::Value(Statistic statistic) const {
    switch (statistic) {
        case Statistic::Mean: return mean;
        case Statistic::VaR: return var;
        case Statistic::CVaR: return cvar;
        case Statistic::Worst: return worst;
    }
    return mean;
}

bool Result::SameForEverySet(Statistic statistic) const {
    double low = floor.Value(statistic), high = ceiling.Value(statistic);
    return high - low <= 1e-9 * std::max(1.0, std::abs(high));
}

}  // namespace optimizer
