#include "optimizer/threshold_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "optimizer/impact_values.h"
#include "optimizer/median_solver.h"
#include "optimizer/statistics.h"

namespace optimizer {

namespace {

enum class Verdict { Reached, Refuted, Unknown };

// Can a selection keep all but `allowed` events at or below tau?
Verdict TestThreshold(const Problem& problem, double tau, std::int32_t size, std::int32_t rank, std::int32_t allowed,
                      const DualSettings& dual, RunControl& control, SearchOutcome& out) {
    MedianModel within = MakeMedianModel(problem, {CostTransform::Kind::Within, tau}, control.threads());
    MedianOutcome heuristic = SolveMedian(within, size, out.selection, false, dual, control);
    auto take = [&](const std::vector<std::int32_t>& selection) {
        double value = RankValue(problem, selection, rank);
        if (value < out.value) {
            out.value = value;
            out.selection = selection;
        }
        return Verdict::Reached;
    };
    if (heuristic.total <= allowed) return take(heuristic.selection);
    DualSettings proof = dual;
    proof.target = allowed + 1.0;
    DualOutcome bound =
        LagrangianBound(within, size, heuristic.total, LevelsUnder(within, heuristic.selection), proof, control);
    if (bound.selectionTotal <= allowed) return take(bound.selection);
    return bound.bound > allowed ? Verdict::Refuted : Verdict::Unknown;
}

}  // namespace

double RankValue(const Problem& problem, const std::vector<std::int32_t>& selection, std::int32_t rank) {
    std::vector<double> levels = ImpactLevels(problem, selection);
    return KthSmallest(levels, rank);
}

SearchOutcome SearchRank(const Problem& problem, std::int32_t size, std::int32_t rank,
                         const std::vector<std::int32_t>& start, const DualSettings& dual, RunControl& control) {
    SearchOutcome out;
    out.selection = start;
    out.value = RankValue(problem, start, rank);
    std::vector<double> ideal = problem.ideal;
    double low = KthSmallest(ideal, rank);  // proven: no selection goes below
    if (size == 0) low = out.value;
    std::int32_t allowed = problem.eventCount - rank;
    const double none = std::numeric_limits<double>::infinity();
    double unknownLow = none, unknownHigh = -none;  // thresholds tested without a verdict
    while (low < out.value && !control.Stopped()) {
        if (unknownHigh < low || unknownLow >= out.value) unknownLow = none, unknownHigh = -none;
        double ceiling = std::min(unknownLow, out.value);
        double tau;
        if (low < ceiling) {
            tau = MiddleValueBetween(problem, low, ceiling, control.threads());
            if (std::isnan(tau)) tau = low;
        } else {
            tau = MiddleValueBetween(problem, unknownHigh, out.value, control.threads());
            if (std::isnan(tau)) break;
        }
        switch (TestThreshold(problem, tau, size, rank, allowed, dual, control, out)) {
            case Verdict::Reached: break;
            case Verdict::Refuted: low = std::max(low, SmallestValueAbove(problem, tau, control.threads())); break;
            case Verdict::Unknown:
                unknownLow = std::min(unknownLow, tau);
                unknownHigh = std::max(unknownHigh, tau);
                break;
        }
        control.Report(Stage::Bounding, dual.sensors, out.value, low);
    }
    out.bound = std::min(low, out.value);
    return out;
}

}  // namespace optimizer
