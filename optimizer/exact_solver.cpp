#include "optimizer/exact_solver.h"

#include <algorithm>
#include <cmath>

#include "optimizer/cvar_search.h"
#include "optimizer/impact_values.h"
#include "optimizer/mip_model.h"
#include "optimizer/statistics.h"

namespace optimizer {

namespace {

// A binary y column per problem column, at most `size` of them set.
struct SensorColumns {
    std::vector<int> y;

    SensorColumns(const Problem& problem, MipModel& mip, std::int32_t size) {
        for (std::int32_t c = 0; c < problem.columns(); ++c) y.push_back(mip.AddColumn(0, 1, 0, true));
        mip.AddRow(y, std::vector<double>(y.size(), 1.0), -MipModel::kInfinity, size);
    }

    std::vector<std::int32_t> Selected(const MipModel::Solution& solution) const {
        std::vector<std::int32_t> selection;
        for (std::size_t c = 0; c < y.size(); ++c)
            if (solution.values[static_cast<std::size_t>(y[c])] > 0.5) selection.push_back(static_cast<std::int32_t>(c));
        return selection;
    }
};

// Assignment columns x_ec <= y_c, sum_c x_ec <= 1, for the cells whose mapped
// impact lies below the event's mapped base; each priced at its mapped impact
// minus the base, so that the objective plus the total base is the model total.
struct Assignments {
    std::vector<std::vector<int>> columns;          // per event
    std::vector<std::vector<double>> savings;       // per event: base - mapped impact
    std::vector<std::vector<std::int32_t>> sensor;  // problem column of each assignment

    Assignments(const MedianModel& model, MipModel& mip, const SensorColumns& sensors) {
        const Problem& problem = *model.problem;
        std::size_t n = problem.base.size();
        columns.resize(n), savings.resize(n), sensor.resize(n);
        for (std::int32_t c = 0; c < problem.columns(); ++c)
            for (std::int64_t k = problem.columnStart[static_cast<std::size_t>(c)]; k < problem.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
                auto e = static_cast<std::size_t>(problem.cellEvent[static_cast<std::size_t>(k)]);
                double saving = model.base[e] - model.cost(problem.cellImpact[static_cast<std::size_t>(k)]);
                if (saving <= 0) continue;
                int x = mip.AddColumn(0, 1, -saving, false);
                mip.AddRow({x, sensors.y[static_cast<std::size_t>(c)]}, {1.0, -1.0}, -MipModel::kInfinity, 0);
                columns[e].push_back(x);
                savings[e].push_back(saving);
                sensor[e].push_back(c);
            }
        for (std::size_t e = 0; e < n; ++e)
            if (!columns[e].empty())
                mip.AddRow(columns[e], std::vector<double>(columns[e].size(), 1.0), -MipModel::kInfinity, 1);
    }

    // Values for a known selection: each event assigned to its best selected column.
    void Start(const std::vector<std::int32_t>& selection, const SensorColumns& sensors, std::vector<double>& values) const {
        std::vector<std::uint8_t> chosen(sensors.y.size(), 0);
        for (std::int32_t c : selection) {
            chosen[static_cast<std::size_t>(c)] = 1;
            values[static_cast<std::size_t>(sensors.y[static_cast<std::size_t>(c)])] = 1;
        }
        for (std::size_t e = 0; e < columns.size(); ++e) {
            int best = -1;
            for (std::size_t i = 0; i < columns[e].size(); ++i)
                if (chosen[static_cast<std::size_t>(sensor[e][i])] &&
                    (best < 0 || savings[e][i] > savings[e][static_cast<std::size_t>(best)]))
                    best = static_cast<int>(i);
            if (best >= 0) values[static_cast<std::size_t>(columns[e][static_cast<std::size_t>(best)])] = 1;
        }
    }
};

enum class Verdict { Reached, Refuted, Unknown };

// Can `size` columns keep all but `allowed` events at or below tau? On
// success `selection` holds such columns.
Verdict CoverWithin(const Problem& problem, double tau, std::int32_t size, std::int32_t allowed,
                    std::vector<std::int32_t>& selection, RunControl& control) {
    MipModel mip;
    SensorColumns sensors(problem, mip, size);
    std::vector<std::vector<int>> covering(problem.base.size());
    for (std::int32_t c = 0; c < problem.columns(); ++c)
        for (std::int64_t k = problem.columnStart[static_cast<std::size_t>(c)]; k < problem.columnStart[static_cast<std::size_t>(c) + 1]; ++k)
            if (problem.cellImpact[static_cast<std::size_t>(k)] <= tau)
                covering[static_cast<std::size_t>(problem.cellEvent[static_cast<std::size_t>(k)])].push_back(sensors.y[static_cast<std::size_t>(c)]);
    std::int32_t atRisk = 0;  // events above tau unless a selected column covers them
    for (std::size_t e = 0; e < covering.size(); ++e) {
        if (problem.base[e] <= tau) continue;
        ++atRisk;
        if (covering[e].empty()) continue;
        int z = mip.AddColumn(0, 1, -1.0, false);
        std::vector<int> columns{z};
        std::vector<double> coefficients{1.0};
        for (int y : covering[e]) columns.push_back(y), coefficients.push_back(-1.0);
        mip.AddRow(columns, coefficients, -MipModel::kInfinity, 0);
    }
    std::int32_t needed = atRisk - allowed;  // events that must be covered
    if (needed <= 0) return Verdict::Reached;
    // The objective counts covered events negatively; only solutions covering `needed` pass the cutoff.
    MipModel::Solution solution = mip.Solve(control.SecondsLeft(), control.threads(), -needed + 0.5);
    if (solution.found && -solution.objective >= needed - 0.5) {
        selection = sensors.Selected(solution);
        return Verdict::Reached;
    }
    if (solution.infeasible || solution.bound > -needed + 0.5) return Verdict::Refuted;
    return Verdict::Unknown;
}

ExactOutcome SolveRank(const Problem& problem, std::int32_t rank, std::int32_t size, ExactOutcome out,
                       RunControl& control) {
    std::int32_t allowed = problem.eventCount - rank;
    std::vector<double> values = ValuesFrom(problem, out.bound, out.value);
    std::size_t low = 0, high = values.size();  // the optimum is among values[low..high), or is out.value
    out.status = ExactStatus::Optimal;
    while (low < high) {
        if (control.Stopped()) {
            out.status = ExactStatus::Stopped;
            break;
        }
        std::size_t middle = low + (high - low) / 2;
        std::vector<std::int32_t> selection;
        Verdict verdict = CoverWithin(problem, values[middle], size, allowed, selection, control);
        if (verdict == Verdict::Reached) {
            std::vector<double> levels = ImpactLevels(problem, selection);
            double value = KthSmallest(levels, rank);
            if (value < out.value) out.value = value, out.selection = selection;
            high = static_cast<std::size_t>(std::lower_bound(values.begin(), values.end(), out.value) - values.begin());
        } else if (verdict == Verdict::Refuted) {
            low = middle + 1;
        } else {
            out.status = ExactStatus::Stopped;
            break;
        }
    }
    out.bound = low < values.size() ? std::min(values[low], out.value) : out.value;
    return out;
}

ExactOutcome SolveMean(const Problem& problem, std::int32_t size, ExactOutcome out, RunControl& control) {
    MedianModel impact = MakeMedianModel(problem, {}, control.threads());
    double n = problem.eventCount;
    MedianOutcome median{out.selection, out.value * n, out.bound * n, {}};
    bool proven = SolveMedianExactly(impact, size, median, control);
    out.status = proven ? ExactStatus::Optimal : ExactStatus::Stopped;
    double value = StatisticOf(Statistic::Mean, ImpactLevels(problem, median.selection), 0.5);
    if (value < out.value) out.value = value, out.selection = median.selection;
    out.bound = std::max(out.bound, median.bound / n);
    return out;
}

ExactOutcome SolveCvar(const Problem& problem, double alpha, std::int32_t size, const DualSettings& dual,
                       ExactOutcome out, RunControl& control) {
    ExactMedianSolver exact = [&](const MedianModel& model, std::int32_t columns, double cutoff, MedianOutcome& outcome) {
        return SolveMedianExactly(model, columns, outcome, control, cutoff);
    };
    CvarSearchOutcome search = SearchCvar(problem, size, alpha, out.selection, dual, control, &exact);
    out.status = search.proven ? ExactStatus::Optimal : ExactStatus::Stopped;
    if (search.search.value < out.value) out.value = search.search.value, out.selection = search.search.selection;
    out.bound = std::max(out.bound, search.search.bound);
    return out;
}

}  // namespace

bool SolveMedianExactly(const MedianModel& model, std::int32_t size, MedianOutcome& outcome, RunControl& control,
                        double cutoff) {
    MipModel mip;
    SensorColumns sensors(*model.problem, mip, size);
    Assignments assignments(model, mip, sensors);
    double base = Total(model.base);
    bool cut = cutoff < outcome.total;
    if (!cut) {
        std::vector<double> start(static_cast<std::size_t>(mip.columns()), 0.0);
        assignments.Start(outcome.selection, sensors, start);
        mip.SetStart(std::move(start));
    }
    MipModel::Solution solution = mip.Solve(control.SecondsLeft(), control.threads(), cut ? cutoff - base : MipModel::kInfinity);
    if (solution.found) {
        std::vector<std::int32_t> selection = sensors.Selected(solution);
        double total = Total(LevelsUnder(model, selection));
        if (total < outcome.total) outcome.total = total, outcome.selection = selection;
    }
    if (cut && solution.infeasible) {
        outcome.bound = std::max(outcome.bound, cutoff);
        return true;
    }
    outcome.bound = std::max(outcome.bound, base + solution.bound);
    if (solution.optimal) outcome.bound = std::max(outcome.bound, std::min(outcome.total, base + solution.objective));
    return solution.optimal;
}

ExactOutcome SolveExactly(const Problem& problem, Statistic statistic, double alpha, std::int32_t size,
                          const std::vector<std::int32_t>& selection, double value, double bound,
                          std::int64_t cellLimit, const DualSettings& dual, RunControl& control) {
    ExactOutcome out{ExactStatus::Stopped, selection, value, bound};
    if (problem.cells() > cellLimit) {
        out.status = ExactStatus::ModelTooLarge;
        return out;
    }
    if (control.Stopped()) return out;
    switch (statistic) {
        case Statistic::Mean: return SolveMean(problem, size, out, control);
        case Statistic::CVaR: return SolveCvar(problem, alpha, size, dual, out, control);
        case Statistic::VaR: return SolveRank(problem, VarRank(problem.eventCount, alpha), size, out, control);
        case Statistic::Worst: return SolveRank(problem, problem.eventCount, size, out, control);
    }
    return out;
}

}  // namespace optimizer
