// Lazy greedy selection for a median model.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/median_model.h"

namespace optimizer {

// Adds to `selection`, one at a time, the column that lowers the model total
// most, until it holds `size` columns or no column lowers the total. A
// column's gain only shrinks as the selection grows, so a stale gain is an
// upper limit: a column whose refreshed gain still tops the queue is the best.
void GreedyFill(const MedianModel& model, std::vector<std::int32_t>& selection, std::int32_t size);

}  // namespace optimizer
