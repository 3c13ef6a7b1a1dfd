#include "optimizer/threshold_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "optimizer/effort.h"
#include "optimizer/impact_values.h"
#include "optimizer/interchange.h"
#include "optimizer/median_solver.h"
#include "optimizer/statistics.h"

namespace optimizer {

namespace {

enum class Verdict { Reached, Refuted, Unknown };

// A threshold the relaxation has not refuted after this many steps is left
// undecided: the search goes on around it rather than dwell on it.
constexpr int kProofIterations = 120;
constexpr std::int64_t kFewestProofIterations = 20;
// Weighted covering runs when plain swaps miss at most this many events too many.
constexpr std::int32_t kNearMisses = 5;
constexpr int kWeightingRounds = 12;

std::int32_t Misses(const Problem& problem, const std::vector<std::int32_t>& selection, double tau) {
    std::vector<double> levels = ImpactLevels(problem, selection);
    return static_cast<std::int32_t>(std::count_if(levels.begin(), levels.end(), [&](double v) { return v > tau; }));
}

// The events missed at tau, ties broken by their excess over tau. The
// tie-breaking weight keeps all excesses together below one missed event.
MedianModel TieBrokenModel(const Problem& problem, double tau, int threads) {
    double span = 0;
    for (double b : problem.base) span = std::max(span, b - tau);
    double weight = span > 0 ? 0.5 / (span * std::max(1, problem.eventCount)) : 0.0;
    return MakeMedianModel(problem, {CostTransform::Kind::Within, tau, weight}, threads);
}

// Covering search with weights: events left uncovered weigh more in each
// round, so that swaps give up cheap coverage elsewhere to reach them. Used
// when plain swaps end a few misses short. Returns the selection with the
// fewest misses met.
std::vector<std::int32_t> WeightedCover(const Problem& problem, double tau, std::int32_t size, std::int32_t allowed,
                                        std::vector<std::int32_t> selection, std::int32_t& misses, RunControl& control) {
    MedianModel cover = MakeMedianModel(problem, {CostTransform::Kind::Cover, tau}, control.threads());
    for (double& base : cover.base) base = std::isinf(base) ? 1.0 : 0.0;
    std::vector<std::int32_t> best = selection;
    for (int round = 0; round < kWeightingRounds && misses > allowed && !control.Stopped(); ++round) {
        ImproveBySwaps(cover, selection, size, control);
        std::vector<double> levels = LevelsUnder(cover, selection);
        std::int32_t left = 0;
        for (std::size_t e = 0; e < levels.size(); ++e) {
            if (levels[e] == 0) continue;
            ++left;
            if (cover.ideal[e] == 0) cover.base[e] += 1.0;  // coverable: weigh it more
        }
        if (left < misses) misses = left, best = selection;
    }
    return best;
}

// Can a selection keep all but `allowed` events at or below tau?
Verdict TestThreshold(const Problem& problem, double tau, std::int32_t size, std::int32_t rank, std::int32_t allowed,
                      const DualSettings& dual, const Effort& effort, RunControl& control, SearchOutcome& out) {
    MedianModel tieBroken = TieBrokenModel(problem, tau, control.threads());
    MedianOutcome heuristic = SolveMedian(tieBroken, size, out.selection, false, dual, control);
    std::int32_t misses = Misses(problem, heuristic.selection, tau);
    if (misses > allowed) {
        // A set keeping the excesses over tau small, polished on the misses.
        MedianModel excess = MakeMedianModel(problem, {CostTransform::Kind::Excess, tau}, control.threads());
        std::vector<std::int32_t> selection = SolveMedian(excess, size, {}, false, dual, control).selection;
        ImproveBySwaps(tieBroken, selection, size, control);
        std::int32_t excessMisses = Misses(problem, selection, tau);
        if (excessMisses < misses) misses = excessMisses, heuristic.selection = selection;
    }
    auto take = [&](const std::vector<std::int32_t>& selection) {
        double value = RankValue(problem, selection, rank);
        if (value < out.value) {
            out.value = value;
            out.selection = selection;
        }
        return Verdict::Reached;
    };
    if (misses > allowed && misses - allowed <= kNearMisses)
        heuristic.selection = WeightedCover(problem, tau, size, allowed, heuristic.selection, misses, control);
    if (misses <= allowed) return take(heuristic.selection);
    MedianModel within = MakeMedianModel(problem, {CostTransform::Kind::Within, tau}, control.threads());
    DualSettings proof = dual;
    proof.target = allowed + 1.0;
    proof.maxIterations = static_cast<int>(std::clamp<std::int64_t>(effort.Left() / 2, kFewestProofIterations, kProofIterations));
    DualOutcome bound = LagrangianBound(within, size, misses, LevelsUnder(within, heuristic.selection), proof, control);
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
    Effort effort(problem, control, kThresholdCellVisits);
    while (low < out.value && !effort.Spent() && !control.Stopped()) {
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
        switch (TestThreshold(problem, tau, size, rank, allowed, dual, effort, control, out)) {
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
