#include "optimizer/median_solver.h"

#include "optimizer/interchange.h"

namespace optimizer {

namespace {

void KeepBetter(std::vector<std::int32_t> selection, const MedianModel& model, std::int32_t size, RunControl& control,
                MedianOutcome& out) {
    double total = ImproveBySwaps(model, selection, size, control);
    if (total < out.total) {
        out.total = total;
        out.selection = std::move(selection);
    }
}

}  // namespace

MedianOutcome SolveMedian(const MedianModel& model, std::int32_t size, const std::vector<std::int32_t>& start,
                          bool withBound, const DualSettings& dual, RunControl& control) {
    MedianOutcome out;
    out.selection = start;
    if (static_cast<std::int32_t>(out.selection.size()) > size) out.selection.resize(static_cast<std::size_t>(size));
    out.total = ImproveBySwaps(model, out.selection, size, control);
    if (!start.empty()) KeepBetter({}, model, size, control, out);
    if (size == 0) out.bound = out.total;
    if (!withBound || size == 0) return out;
    DualOutcome bound = LagrangianBound(model, size, out.total, LevelsUnder(model, out.selection), dual, control);
    out.bound = bound.bound;
    if (bound.selectionTotal < out.total) KeepBetter(bound.selection, model, size, control, out);
    return out;
}

}  // namespace optimizer
