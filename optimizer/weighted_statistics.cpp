#include "optimizer/weighted_statistics.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace optimizer {

namespace {

// A cumulative weight a hair below alpha reaches it (0.95 of 20 equal events is 19 of them).
constexpr double kWeightTolerance = 1e-9;

double WeightedVar(const std::vector<double>& values, const std::vector<double>& weights, double alpha) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
    double reach = alpha - kWeightTolerance * std::max(alpha, 1.0 / static_cast<double>(values.size()));
    double cumulative = 0, last = values[order.front()];
    for (std::size_t i : order) {
        if (weights[i] <= 0) continue;
        cumulative += weights[i];
        last = values[i];
        if (cumulative >= reach) return last;
    }
    return last;
}

}  // namespace

double WeightedStatistic(Statistic statistic, const std::vector<double>& values, const std::vector<double>& weights,
                         double alpha) {
    if (values.empty()) return 0.0;
    switch (statistic) {
        case Statistic::Mean: {
            double sum = 0;
            for (std::size_t i = 0; i < values.size(); ++i) sum += weights[i] * values[i];
            return sum;
        }
        case Statistic::Worst: {
            double worst = -std::numeric_limits<double>::infinity();
            for (std::size_t i = 0; i < values.size(); ++i)
                if (weights[i] > 0) worst = std::max(worst, values[i]);
            return worst;
        }
        case Statistic::VaR: return WeightedVar(values, weights, alpha);
        case Statistic::CVaR: {
            double var = WeightedVar(values, weights, alpha), excess = 0;
            for (std::size_t i = 0; i < values.size(); ++i) excess += weights[i] * std::max(0.0, values[i] - var);
            return var + excess / (1.0 - alpha);
        }
    }
    return 0.0;
}

}  // namespace optimizer
