#include "optimizer/median_model.h"

#include <algorithm>

#include "base/thread_ranges.h"

namespace optimizer {

MedianModel MakeMedianModel(const Problem& problem, CostTransform cost, int threads) {
    MedianModel model;
    model.problem = &problem;
    model.cost = cost;
    model.base.resize(problem.base.size());
    model.ideal.resize(problem.ideal.size());
    for (std::size_t e = 0; e < problem.base.size(); ++e) {
        model.base[e] = cost(problem.base[e]);
        model.ideal[e] = cost(problem.ideal[e]);
    }
    model.cuts = problem.ColumnCuts(threads);
    model.wholeTotals = cost.kind == CostTransform::Kind::Within && cost.weight == 0;
    return model;
}

std::vector<double> LevelsUnder(const MedianModel& model, const std::vector<std::int32_t>& selection) {
    std::vector<double> levels = model.base;
    for (std::int32_t c : selection) LowerLevels(model, c, levels);
    return levels;
}

std::vector<double> ImpactLevels(const Problem& problem, const std::vector<std::int32_t>& selection) {
    std::vector<double> levels = problem.base;
    for (std::int32_t c : selection)
        for (std::int64_t k = problem.columnStart[static_cast<std::size_t>(c)]; k < problem.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            double& level = levels[static_cast<std::size_t>(problem.cellEvent[static_cast<std::size_t>(k)])];
            level = std::min(level, static_cast<double>(problem.cellImpact[static_cast<std::size_t>(k)]));
        }
    return levels;
}

double Total(const std::vector<double>& levels) {
    double sum = 0;
    for (double v : levels) sum += v;
    return sum;
}

void LowerLevels(const MedianModel& model, std::int32_t column, std::vector<double>& levels) {
    const Problem& p = *model.problem;
    for (std::int64_t k = p.columnStart[static_cast<std::size_t>(column)]; k < p.columnStart[static_cast<std::size_t>(column) + 1]; ++k) {
        double& level = levels[static_cast<std::size_t>(p.cellEvent[static_cast<std::size_t>(k)])];
        level = std::min(level, model.cost(p.cellImpact[static_cast<std::size_t>(k)]));
    }
}

namespace {

template <class Cost>
double GainOf(const Problem& p, Cost cost, std::int32_t column, const double* levels) {
    double gain = 0;
    const std::int32_t* events = p.cellEvent.data();
    const float* impacts = p.cellImpact.data();
    for (std::int64_t k = p.columnStart[static_cast<std::size_t>(column)]; k < p.columnStart[static_cast<std::size_t>(column) + 1]; ++k)
        gain += std::max(0.0, levels[events[k]] - cost(impacts[k]));  // no branch: drops are positive at random
    return gain;
}

}  // namespace

double ColumnGain(const MedianModel& model, std::int32_t column, const std::vector<double>& levels) {
    return WithCostType(model.cost, [&](auto cost) { return GainOf(*model.problem, cost, column, levels.data()); });
}

void ColumnGains(const MedianModel& model, const std::vector<double>& levels, std::vector<double>& gains) {
    gains.resize(static_cast<std::size_t>(model.problem->columns()));
    WithCostType(model.cost, [&](auto cost) {
        base::RunRanges(model.cuts, [&](int, std::int64_t begin, std::int64_t end) {
            for (auto c = static_cast<std::int32_t>(begin); c < end; ++c)
                gains[static_cast<std::size_t>(c)] = GainOf(*model.problem, cost, c, levels.data());
        });
    });
}

}  // namespace optimizer
