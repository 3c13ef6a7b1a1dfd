#include "optimizer/statistics.h"

#include <algorithm>
#include <cmath>

namespace optimizer {

namespace {
// alpha n a hair above a whole number is that number, not the next.
constexpr double kRankTolerance = 1e-9;
}

std::int32_t VarRank(std::int32_t n, double alpha) {
    double product = alpha * n;
    auto k = static_cast<std::int32_t>(std::ceil(product - kRankTolerance * std::max(1.0, product)));
    return std::clamp<std::int32_t>(k, 1, n);
}

double KthSmallest(std::vector<double>& values, std::int32_t k) {
    auto at = values.begin() + (k - 1);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

double CvarGivenVar(const std::vector<double>& values, double var, double alpha) {
    double excess = 0;
    for (double v : values) excess += std::max(0.0, v - var);
    return var + excess / ((1.0 - alpha) * static_cast<double>(values.size()));
}

double StatisticOf(Statistic statistic, std::vector<double> values, double alpha) {
    if (values.empty()) return 0.0;
    switch (statistic) {
        case Statistic::Mean: {
            double sum = 0;
            for (double v : values) sum += v;
            return sum / static_cast<double>(values.size());
        }
        case Statistic::Worst: return *std::max_element(values.begin(), values.end());
        case Statistic::VaR: return KthSmallest(values, VarRank(static_cast<std::int32_t>(values.size()), alpha));
        case Statistic::CVaR: {
            double var = KthSmallest(values, VarRank(static_cast<std::int32_t>(values.size()), alpha));
            return CvarGivenVar(values, var, alpha);
        }
    }
    return 0.0;
}

Figures FiguresOf(std::vector<double> values, std::int32_t detected, double alpha) {
    Figures figures;
    figures.events = static_cast<std::int32_t>(values.size());
    figures.detected = detected;
    if (values.empty()) return figures;
    figures.detectedFraction = static_cast<double>(detected) / static_cast<double>(values.size());
    figures.mean = StatisticOf(Statistic::Mean, values, alpha);
    figures.worst = StatisticOf(Statistic::Worst, values, alpha);
    figures.var = KthSmallest(values, VarRank(figures.events, alpha));
    figures.cvar = CvarGivenVar(values, figures.var, alpha);
    return figures;
}

}  // namespace optimizer
