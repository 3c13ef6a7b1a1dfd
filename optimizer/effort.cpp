#include "optimizer/effort.h"

#include <algorithm>

namespace optimizer {

Effort::Effort(const Problem& problem, const RunControl& control, double cellVisits, std::int64_t fewestPasses)
    : control_(control) {
    double cells = static_cast<double>(std::max<std::int64_t>(problem.cells(), 1));
    double passes = std::min(cellVisits / cells, 1e15);
    end_ = control.Passes() + std::max(fewestPasses, static_cast<std::int64_t>(passes));
}

std::int64_t Effort::Left() const {
    return end_ - control_.Passes();
}

}  // namespace optimizer
