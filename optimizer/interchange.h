// Local search for a median model by swapping selected columns.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/median_model.h"
#include "optimizer/run_control.h"

namespace optimizer {

// Fills the selection greedily up to `size` columns, then makes, again and
// again, the one swap (a selected column out, another in) that lowers the
// model total most, until no swap lowers it or the run is stopped. All swaps
// are priced in one pass over the cells by keeping each event's best and
// second-best level. Returns the total; counts its passes over the cells in
// the run control.
double ImproveBySwaps(const MedianModel& model, std::vector<std::int32_t>& selection, std::int32_t size,
                      RunControl& control);

}  // namespace optimizer
