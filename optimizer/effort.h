// A budget of work in passes over the problem's cells, drawn against the
// run's count (RunControl::Passes), so that it ends at the same point on any
// machine and for any thread count.
#pragma once

#include <cstdint>

#include "optimizer/problem.h"
#include "optimizer/run_control.h"

namespace optimizer {

class Effort {
public:
    // As many passes as make `cellVisits` visits of the problem's cells, at
    // least `fewestPasses`.
    Effort(const Problem& problem, const RunControl& control, double cellVisits, std::int64_t fewestPasses = 1);

    std::int64_t Left() const;
    bool Spent() const { return Left() <= 0; }

private:
    const RunControl& control_;
    std::int64_t end_;
};

}  // namespace optimizer
