#include "optimizer/plan_exact.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "optimizer/mip_model.h"

namespace optimizer {

namespace {

// A linear expression over the model's columns plus a constant.
struct Linear {
    std::vector<int> columns;
    std::vector<double> coefficients;
    double constant = 0;
};

bool DetectionOnly(const PlanMeasure& m) {
    return std::all_of(m.undetected.begin(), m.undetected.end(), [](double u) { return u == 1; }) &&
           std::all_of(m.cellImpact.begin(), m.cellImpact.end(), [](float v) { return v == 0; });
}

// Missed events: L_e = 1 - d_e with d_e <= the sum of y_c over the free
// columns that detect e, or L_e = 0 when a fixed sensor detects it; no
// assignment variables.
std::vector<int> AddMissed(const PlanModel& model, const PlanMeasure& m, const std::vector<int>& y, MipModel& mip) {
    auto events = static_cast<std::size_t>(model.events());
    std::vector<std::uint8_t> byFixed(events, 0);
    std::vector<std::vector<int>> detecting(events);
    for (std::int32_t c = 0; c < model.columns(); ++c)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            if (c < model.fixedColumns) byFixed[e] = 1;
            else detecting[e].push_back(y[static_cast<std::size_t>(c - model.fixedColumns)]);
        }
    std::vector<int> levels(events);
    for (std::size_t e = 0; e < events; ++e) {
        bool fixed = byFixed[e] || detecting[e].empty();
        double level = byFixed[e] ? 0.0 : 1.0;
        levels[e] = mip.AddColumn(fixed ? level : 0.0, fixed ? level : 1.0, 0, false);
        if (fixed) continue;
        std::vector<int> columns = detecting[e];
        std::vector<double> ones(columns.size(), 1.0);
        columns.push_back(levels[e]);
        ones.push_back(1.0);
        mip.AddRow(columns, ones, 1.0, MipModel::kInfinity);  // L_e >= 1 - sum y_c
    }
    return levels;
}

// Adds each event's level variable of a measure; returns their columns.
std::vector<int> AddLevels(const PlanModel& model, const PlanMeasure& m, const std::vector<int>& y, MipModel& mip,
                           std::int64_t& cells) {
    auto events = static_cast<std::size_t>(model.events());
    std::vector<double> base = m.undetected;
    for (std::int32_t c = 0; c < model.fixedColumns; ++c)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            base[e] = std::min<double>(base[e], m.cellImpact[static_cast<std::size_t>(k)]);
        }
    std::vector<Linear> level(events), assigned(events);
    for (std::int32_t c = model.fixedColumns; c < model.columns(); ++c)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            double v = m.cellImpact[static_cast<std::size_t>(k)];
            if (v >= base[e]) continue;
            int x = mip.AddColumn(0, 1, 0, false);
            ++cells;
            mip.AddRow({x, y[static_cast<std::size_t>(c - model.fixedColumns)]}, {1, -1}, -MipModel::kInfinity, 0);
            level[e].columns.push_back(x);
            level[e].coefficients.push_back(base[e] - v);
            assigned[e].columns.push_back(x);
            assigned[e].coefficients.push_back(1);
        }
    std::vector<int> levels(events);
    for (std::size_t e = 0; e < events; ++e) {
        levels[e] = mip.AddColumn(-MipModel::kInfinity, MipModel::kInfinity, 0, false);
        if (assigned[e].columns.empty()) {
            mip.AddRow({levels[e]}, {1}, base[e], base[e]);
            continue;
        }
        mip.AddRow(assigned[e].columns, assigned[e].coefficients, -MipModel::kInfinity, 1);
        level[e].columns.push_back(levels[e]);
        level[e].coefficients.push_back(1);
        mip.AddRow(level[e].columns, level[e].coefficients, base[e], base[e]);
    }
    return levels;
}

// The statistic of the levels as a linear expression (adding what it needs).
Linear AddStatistic(const PlanModel& model, Statistic statistic, const std::vector<int>& levels, MipModel& mip) {
    Linear s;
    switch (statistic) {
        case Statistic::Mean:
            for (std::size_t e = 0; e < levels.size(); ++e) {
                s.columns.push_back(levels[e]);
                s.coefficients.push_back(model.weight[e]);
            }
            break;
        case Statistic::Worst: {
            int z = mip.AddColumn(-MipModel::kInfinity, MipModel::kInfinity, 0, false);
            for (std::size_t e = 0; e < levels.size(); ++e)
                if (model.weight[e] > 0) mip.AddRow({z, levels[e]}, {1, -1}, 0, MipModel::kInfinity);
            s.columns = {z};
            s.coefficients = {1};
            break;
        }
        default: {  // CVaR
            int t = mip.AddColumn(-MipModel::kInfinity, MipModel::kInfinity, 0, false);
            s.columns = {t};
            s.coefficients = {1};
            for (std::size_t e = 0; e < levels.size(); ++e) {
                if (model.weight[e] <= 0) continue;
                int excess = mip.AddColumn(0, MipModel::kInfinity, 0, false);
                mip.AddRow({excess, levels[e], t}, {1, -1, 1}, 0, MipModel::kInfinity);
                s.columns.push_back(excess);
                s.coefficients.push_back(model.weight[e] / (1 - model.alpha));
            }
        }
    }
    return s;
}

}  // namespace

bool PlanExactCovers(const PlanModel& model) {
    if (model.redundancy != 1 || !model.Perfect() || model.statistic == Statistic::VaR) return false;
    return std::none_of(model.limits.begin(), model.limits.end(),
                        [](const PlanLimit& l) { return l.statistic == Statistic::VaR; });
}

PlanExactOutcome SolvePlanExactly(const PlanModel& model, double value, std::int64_t cellLimit, RunControl& control) {
    PlanExactOutcome out;
    MipModel mip;
    std::vector<int> y;
    std::vector<int> all;
    std::vector<double> ones, costs;
    for (std::int32_t c = model.fixedColumns; c < model.columns(); ++c) {
        y.push_back(mip.AddColumn(0, 1, 0, true));
        ones.push_back(1);
        costs.push_back(model.cost[static_cast<std::size_t>(c)]);
    }
    if (!y.empty()) {
        mip.AddRow(y, ones, -MipModel::kInfinity, model.maxFree);
        if (std::isfinite(model.freeBudget)) mip.AddRow(y, costs, -MipModel::kInfinity, model.freeBudget);
    }
    std::int64_t cells = 0;
    std::vector<std::vector<int>> levels(model.measures.size());
    auto levelsOf = [&](std::int32_t measure) -> const std::vector<int>& {
        auto& l = levels[static_cast<std::size_t>(measure)];
        const PlanMeasure& m = model.measures[static_cast<std::size_t>(measure)];
        if (l.empty()) l = DetectionOnly(m) ? AddMissed(model, m, y, mip) : AddLevels(model, m, y, mip, cells);
        return l;
    };
    Linear objective = AddStatistic(model, model.statistic, levelsOf(kObjectiveMeasure), mip);
    for (const PlanLimit& limit : model.limits) {
        Linear s = AddStatistic(model, limit.statistic, levelsOf(limit.measure), mip);
        mip.AddRow(s.columns, s.coefficients, -MipModel::kInfinity, limit.limit);
    }
    if (cells > cellLimit) {
        out.status = ExactStatus::ModelTooLarge;
        return out;
    }
    mip.SetObjective(objective.columns, objective.coefficients);
    double cutoff = std::isfinite(value) ? value + 1e-7 * std::max(1.0, std::abs(value)) : MipModel::kInfinity;
    MipModel::Solution solution = mip.Solve(control.SecondsLeft(), control.threads(), cutoff);
    if (solution.found) {
        for (std::size_t c = 0; c < y.size(); ++c)
            if (solution.values[static_cast<std::size_t>(y[c])] > 0.5)
                out.selection.push_back(model.fixedColumns + static_cast<std::int32_t>(c));
        out.found = true;
    }
    if (solution.infeasible) {
        out.status = ExactStatus::Optimal;
        out.infeasible = !std::isfinite(value);
        out.bound = std::isfinite(value) ? value : MipModel::kInfinity;
        return out;
    }
    out.status = solution.optimal ? ExactStatus::Optimal : ExactStatus::Stopped;
    out.bound = solution.bound;
    return out;
}

}  // namespace optimizer
