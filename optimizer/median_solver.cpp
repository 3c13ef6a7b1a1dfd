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

}  // namespace

MedianOutcome SolveMedian(const MedianModel& model, std::int32_t size, const std::vector<std::int32_t>& start,
                          bool withBound, const DualSettings& dual, RunControl& control, int shakes) {
    MedianOutcome out;
    out.selection = start;
    if (static_cast<std::int32_t>(out.selection.size()) > size) out.selection.resize(static_cast<std::size_t>(size));
    out.total = ImproveBySwaps(model, out.selection, size, control);
    if (!start.empty()) KeepBetter({}, model, size, control, out);
    if (size == 0) out.bound = out.total;
    if (!withBound || size == 0) return out;
    DualOutcome bound = LagrangianBound(model, size, out.total, LevelsUnder(model, out.selection), dual, control);
    out.bound = bound.bound;
    Effort effort(*model.problem, control, kImprovementCellVisits);
    for (const auto& selection : bound.starts) {
        if (Proven(out) || effort.Spent() || control.Stopped()) break;
        KeepBetter(selection, model, size, control, out);
    }
    ShakeAndDescend(model, size, bound.promising, shakes, control, effort, out);
    return out;
}

}  // namespace optimizer
