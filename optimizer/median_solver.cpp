#include "optimizer/median_solver.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "optimizer/effort.h"
#include "optimizer/interchange.h"

namespace optimizer {

namespace {

// Local search after the bound, from the relaxation's selections and by
// shaking, stops after this many cell visits: a few seconds of work.
constexpr double kImprovementCellVisits = 3e9;

void KeepBetter(std::vector<std::int32_t> selection, const MedianModel& model, std::int32_t size, RunControl& control,
                MedianOutcome& out) {
    double total = ImproveBySwaps(model, selection, size, control);
    if (total < out.total) {
        out.total = total;
        out.selection = std::move(selection);
    }
}

// Random changes of the selection are drawn from a fixed seed: a run gives
// the same answer every time, whatever its thread count.
constexpr std::uint64_t kShakeSeed = 0x5eed;
constexpr std::int32_t kDeepestShake = 5;

bool Proven(const MedianOutcome& out) {
    return out.bound >= SafeBound(out.total, false);
}

void ShakeAndDescend(const MedianModel& model, std::int32_t size, const std::vector<std::int32_t>& pool, int shakes,
                     RunControl& control, Effort& effort, MedianOutcome& out) {
    auto slots = static_cast<std::int32_t>(out.selection.size());
    if (slots == 0 || pool.empty()) return;
    std::mt19937_64 random(kShakeSeed);
    std::int32_t depth = 1;
    for (int round = 0; round < shakes && !Proven(out) && !effort.Spent() && !control.Stopped(); ++round) {
        std::vector<std::int32_t> selection = out.selection;
        for (std::int32_t k = 0; k < std::min(depth, slots); ++k) {
            std::int32_t in = pool[random() % pool.size()];
            if (std::find(selection.begin(), selection.end(), in) == selection.end())
                selection[random() % selection.size()] = in;
        }
        double total = ImproveBySwaps(model, selection, size, control);
        if (total < out.total - 1e-9 * std::max(1.0, std::abs(out.total))) {
            out.total = total;
            out.selection = std::move(selection);
            depth = 1;
        } else {
            depth = depth % kDeepestShake + 1;
        }
    }
}

// The bound from the multipliers of the previous sensor count's bound, when
// given, with half the steps, then, unless that proves the total, from the
// levels under the selection with the other half; the better one. Either
// start alone leaves some counts far from the relaxation's optimum.
DualOutcome Bound(const MedianModel& model, std::int32_t size, double total, std::vector<double> levels,
                  const std::vector<double>& previous, const DualSettings& dual, RunControl& control) {
    if (previous.size() != levels.size()) return LagrangianBound(model, size, total, std::move(levels), dual, control);
    DualSettings half = dual;
    half.maxIterations = std::max(1, dual.maxIterations / 2);
    DualOutcome warm = LagrangianBound(model, size, total, previous, half, control);
    if (warm.bound >= SafeBound(std::min(total, warm.selectionTotal), false)) return warm;
    DualOutcome cold = LagrangianBound(model, size, std::min(total, warm.selectionTotal), std::move(levels), half, control);
    DualOutcome& better = cold.bound >= warm.bound ? cold : warm;
    const DualOutcome& other = cold.bound >= warm.bound ? warm : cold;
    // The selections both runs met are starts for the local search.
    better.starts.insert(better.starts.end(), other.starts.begin(), other.starts.end());
    if (other.selectionTotal < better.selectionTotal) {
        better.selection = other.selection;
        better.selectionTotal = other.selectionTotal;
    }
    return std::move(better);
}

}  // namespace

MedianOutcome SolveMedian(const MedianModel& model, std::int32_t size, const std::vector<std::int32_t>& start,
                          bool withBound, const DualSettings& dual, RunControl& control, int shakes,
                          const std::vector<double>& startMultipliers) {
    MedianOutcome out;
    out.selection = start;
    if (static_cast<std::int32_t>(out.selection.size()) > size) out.selection.resize(static_cast<std::size_t>(size));
    out.total = ImproveBySwaps(model, out.selection, size, control);
    if (!start.empty()) KeepBetter({}, model, size, control, out);
    if (size == 0) out.bound = out.total;
    if (!withBound || size == 0) return out;
    DualOutcome bound = Bound(model, size, out.total, LevelsUnder(model, out.selection), startMultipliers, dual, control);
    out.bound = bound.bound;
    out.multipliers = std::move(bound.multipliers);
    Effort effort(*model.problem, control, kImprovementCellVisits);
    for (const auto& selection : bound.starts) {
        if (Proven(out) || effort.Spent() || control.Stopped()) break;
        KeepBetter(selection, model, size, control, out);
    }
    ShakeAndDescend(model, size, bound.promising, shakes, control, effort, out);
    return out;
}

}  // namespace optimizer
