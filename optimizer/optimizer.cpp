#include "optimizer/optimizer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "optimizer/cvar_search.h"
#include "optimizer/exact_solver.h"
#include "optimizer/greedy.h"
#include "optimizer/median_solver.h"
#include "optimizer/problem.h"
#include "optimizer/request.h"
#include "optimizer/run_control.h"
#include "optimizer/set_evaluation.h"
#include "optimizer/statistics.h"
#include "optimizer/threshold_search.h"

namespace optimizer {

namespace {

// Relative difference under which a value counts as proven optimal: the
// solvers round their bounds down by far less.
constexpr double kOptimalityTolerance = 1e-7;
// Rounds of variable neighbourhood search on the mean while the bound lags.
constexpr int kShakes = 150;

// A selection of columns for one sensor count and the bound proven for it.
struct SizeOutcome {
    std::vector<std::int32_t> selection;
    double bound = -std::numeric_limits<double>::infinity();  // in statistic units
    ExactStatus exact = ExactStatus::NotRequested;
    std::vector<double> multipliers;  // of the mean's bound, a start for the next size's
};

SizeOutcome SolveHeuristically(const Problem& problem, const Options& options, std::int32_t size, std::int32_t sensors,
                               const std::vector<std::int32_t>& start, const std::vector<double>& multipliers,
                               RunControl& control) {
    MedianModel impact = MakeMedianModel(problem, {}, control.threads());
    DualSettings dual = DualSettingsFor(problem);
    dual.sensors = sensors;
    control.Report(Stage::Heuristic, sensors, std::nan(""), std::nan(""));
    bool mean = options.statistic == Statistic::Mean;
    DualSettings meanDual = dual;
    if (mean) meanDual.reportScale = 1.0 / problem.eventCount;
    MedianOutcome median = SolveMedian(impact, size, start, mean, meanDual, control, mean ? kShakes : 0, multipliers);
    SizeOutcome out;
    out.multipliers = std::move(median.multipliers);
    SearchOutcome search;
    switch (options.statistic) {
        case Statistic::Mean:
            out.selection = median.selection;
            out.bound = median.bound / problem.eventCount;
            break;
        case Statistic::VaR:
        case Statistic::Worst: {
            std::int32_t rank = options.statistic == Statistic::Worst ? problem.eventCount
                                                                       : VarRank(problem.eventCount, options.alpha);
            search = SearchRank(problem, size, rank, median.selection, dual, control);
            out.selection = search.selection;
            out.bound = search.bound;
            break;
        }
        case Statistic::CVaR:
            search = SearchCvar(problem, size, options.alpha, median.selection, dual, control).search;
            out.selection = search.selection;
            out.bound = search.bound;
            break;
    }
    // Slots the statistic leaves free lower the mean; no statistic rises when a sensor is added.
    GreedyFill(impact, out.selection, size);
    return out;
}

bool Proven(double value, double bound) {
    return value - bound <= kOptimalityTolerance * std::max(1.0, std::abs(value));
}

SizeOutcome SolveSize(const Problem& problem, const Options& options, std::int32_t size, std::int32_t sensors,
                      const std::vector<std::int32_t>& start, const std::vector<double>& multipliers,
                      RunControl& control) {
    SizeOutcome out = SolveHeuristically(problem, options, size, sensors, start, multipliers, control);
    if (!options.exact) return out;
    double value = StatisticOf(options.statistic, ImpactLevels(problem, out.selection), options.alpha);
    if (Proven(value, out.bound)) {
        out.exact = ExactStatus::Optimal;
        return out;
    }
    control.Report(Stage::Exact, sensors, value, out.bound);
    DualSettings dual = DualSettingsFor(problem);
    dual.sensors = sensors;
    ExactOutcome exact = SolveExactly(problem, options.statistic, options.alpha, size, out.selection, value, out.bound,
                                      options.exactCellLimit, dual, control);
    out.exact = exact.status;
    out.bound = std::max(out.bound, exact.bound);
    if (exact.value < value) {
        out.selection = exact.selection;
        GreedyFill(MakeMedianModel(problem, {}, control.threads()), out.selection, size);
    }
    return out;
}

Placement MakePlacement(const ScenarioData& data, const Options& options, const Problem& problem,
                        const Request& request, const Figures& floor, std::int32_t sensors, const SizeOutcome& outcome) {
    Placement placement;
    placement.sensors = sensors;
    placement.nodes = request.fixed;
    for (std::int32_t c : outcome.selection) placement.nodes.push_back(problem.columnNode[static_cast<std::size_t>(c)]);
    std::sort(placement.nodes.begin(), placement.nodes.end());
    placement.figures = EvaluateSet(data, options.objective, placement.nodes, problem.eventIds, options.alpha);
    placement.value = placement.figures.Value(options.statistic);
    placement.bound = std::min(placement.value, std::max(outcome.bound, floor.Value(options.statistic)));
    double difference = placement.value - placement.bound;
    placement.gap = placement.value == 0 ? 0 : difference / std::abs(placement.value);
    placement.provenOptimal = Proven(placement.value, placement.bound);
    placement.exact = outcome.exact;
    return placement;
}

}  // namespace

Result Optimize(const ScenarioData& data, const Options& options) {
    Request request = ValidateRequest(data, options);
    RunControl control(request.threads, options.timeLimitSeconds, options.progress);
    control.Report(Stage::Preparing, 0, std::nan(""), std::nan(""));
    Problem problem = BuildProblem(data, options, request);
    if (problem.eventCount == 0)
        throw RequestError("no candidate or fixed node detects any event, so no event is left to count");

    Result result;
    result.threads = request.threads;
    result.undetectableEvents = problem.undetectable;
    result.floor = FiguresOf(problem.ideal, problem.detectable, options.alpha);
    result.ceiling = FiguresOf(problem.base, problem.detectedByFixed, options.alpha);
    auto fixedCount = static_cast<std::int32_t>(request.fixed.size());
    std::vector<std::int32_t> selection;
    std::vector<double> multipliers;
    for (std::int32_t sensors = request.fewestSensors; sensors <= request.sensors; ++sensors) {
        SizeOutcome outcome = SolveSize(problem, options, sensors - fixedCount, sensors, selection, multipliers, control);
        selection = outcome.selection;
        multipliers = outcome.multipliers;
        result.placements.push_back(MakePlacement(data, options, problem, request, result.floor, sensors, outcome));
    }
    result.stoppedEarly = control.Stopped();
    result.seconds = control.Elapsed();
    return result;
}

}  // namespace optimizer
