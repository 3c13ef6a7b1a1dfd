#include "optimizer/interchange.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/thread_ranges.h"
#include "optimizer/greedy.h"

namespace optimizer {

namespace {

// Each event's best and second-best level under a selection, and which
// selected column (its slot in the selection) gives the best; -1 = the base.
struct Assignment {
    std::vector<double> best, second;
    std::vector<std::int32_t> slot;
    std::vector<double> loss;  // per slot: how much the total rises if that column leaves
    double total = 0;
};

Assignment Assign(const MedianModel& model, const std::vector<std::int32_t>& selection) {
    const Problem& p = *model.problem;
    Assignment a;
    a.best = model.base;
    a.second.assign(a.best.size(), std::numeric_limits<double>::infinity());
    a.slot.assign(a.best.size(), -1);
    for (std::size_t s = 0; s < selection.size(); ++s) {
        auto column = static_cast<std::size_t>(selection[s]);
        for (std::int64_t k = p.columnStart[column]; k < p.columnStart[column + 1]; ++k) {
            auto e = static_cast<std::size_t>(p.cellEvent[static_cast<std::size_t>(k)]);
            double v = model.cost(p.cellImpact[static_cast<std::size_t>(k)]);
            if (v < a.best[e]) {
                a.second[e] = a.best[e];
                a.best[e] = v;
                a.slot[e] = static_cast<std::int32_t>(s);
            } else if (v < a.second[e]) {
                a.second[e] = v;
            }
        }
    }
    a.loss.assign(selection.size(), 0.0);
    for (std::size_t e = 0; e < a.best.size(); ++e) {
        a.total += a.best[e];
        if (a.slot[e] >= 0) a.loss[static_cast<std::size_t>(a.slot[e])] += a.second[e] - a.best[e];
    }
    return a;
}

struct Swap {
    double delta = 0;  // change of the total
    std::int32_t in = -1;
    std::int32_t outSlot = -1;
};

// The best swap bringing in a column of [begin, end). Bringing in column c
// and dropping slot s changes the total by loss[s] - gain(c) + fix(c, s),
// where fix adds back, for the events of slot s that c covers, what loss[s]
// counted too much: they fall back to min(second, c's level), not to second.
template <class Cost>
Swap BestSwapIn(const MedianModel& model, Cost cost, const Assignment& a, const std::vector<std::uint8_t>& taken,
                std::int64_t begin, std::int64_t end) {
    const Problem& p = *model.problem;
    std::vector<double> fix(a.loss.size());
    Swap best;
    for (auto c = static_cast<std::int32_t>(begin); c < end; ++c) {
        if (taken[static_cast<std::size_t>(c)]) continue;
        double gain = 0;
        std::fill(fix.begin(), fix.end(), 0.0);
        for (std::int64_t k = p.columnStart[static_cast<std::size_t>(c)]; k < p.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(p.cellEvent[static_cast<std::size_t>(k)]);
            double v = cost(p.cellImpact[static_cast<std::size_t>(k)]);
            double second = a.second[e];
            if (v >= second) continue;
            double first = a.best[e];
            if (v < first) gain += first - v;
            std::int32_t s = a.slot[e];
            if (s >= 0) fix[static_cast<std::size_t>(s)] += std::max(first, v) - second;
        }
        if (gain <= 0) continue;  // loss[s] + fix[s] is never negative
        for (std::size_t s = 0; s < fix.size(); ++s) {
            double delta = a.loss[s] + fix[s] - gain;
            if (delta < best.delta) best = Swap{delta, c, static_cast<std::int32_t>(s)};
        }
    }
    return best;
}

Swap BestSwap(const MedianModel& model, const Assignment& a, const std::vector<std::uint8_t>& taken) {
    std::vector<Swap> found(model.cuts.size() - 1);
    WithCostType(model.cost, [&](auto cost) {
        base::RunRanges(model.cuts, [&](int part, std::int64_t begin, std::int64_t end) {
            found[static_cast<std::size_t>(part)] = BestSwapIn(model, cost, a, taken, begin, end);
        });
    });
    Swap best;
    for (const Swap& s : found)
        if (s.delta < best.delta) best = s;
    return best;
}

}  // namespace

double ImproveBySwaps(const MedianModel& model, std::vector<std::int32_t>& selection, std::int32_t size,
                      RunControl& control) {
    std::int64_t made = 1;
    GreedyFill(model, selection, size);
    Assignment a = Assign(model, selection);
    if (static_cast<std::int32_t>(selection.size()) < size) {  // no column lowers the total
        control.CountPasses(made);
        return a.total;
    }
    std::vector<std::uint8_t> taken(static_cast<std::size_t>(model.problem->columns()), 0);
    for (std::int32_t c : selection) taken[static_cast<std::size_t>(c)] = 1;
    while (!control.Stopped()) {
        Swap swap = BestSwap(model, a, taken);
        ++made;
        double tolerance = 1e-9 * std::max(1.0, std::abs(a.total));
        if (swap.delta >= -tolerance) break;
        auto& slot = selection[static_cast<std::size_t>(swap.outSlot)];
        std::int32_t out = slot;
        slot = swap.in;
        Assignment next = Assign(model, selection);
        if (!(next.total < a.total - tolerance)) {  // priced by rounding only: keep the selection
            slot = out;
            break;
        }
        taken[static_cast<std::size_t>(out)] = 0;
        taken[static_cast<std::size_t>(swap.in)] = 1;
        a = std::move(next);
    }
    control.CountPasses(made);
    return a.total;
}

}  // namespace optimizer
