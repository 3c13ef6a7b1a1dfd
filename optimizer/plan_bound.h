// Lower bounds for planning requests: no set within the count and the budget
// reaches a smaller value of a statistic of a measure.
//
// Every statistic: each event's value is at least its floor, the value with
// the best R detections among all nodes, and with failures at least
//     (1 - Q) x floor + Q x undetected impact,
// Q the chance that fewer than R of the fixed sensors and of as many free
// ones as a set can hold, the most reliable that detect the event, work (no
// set's sensors do better); the statistics only rise with the values.
// The mean also: the impact at the R-th detection is at least the mean of
// the R smallest impacts, whose assignment model (each event assigned to at
// most R of the set's columns) has a Lagrangian relaxation as in
// lagrangian_bound.h, events weighted by w (1 - Q); its inner choice of
// columns under the count and the budget is the linear relaxation of a
// knapsack with a second row, solved through the multiplier of the count.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/plan_model.h"
#include "optimizer/run_control.h"

namespace optimizer {

// `selection` is a good set (free columns), whose levels start the
// relaxation's multipliers.
double PlanBound(const PlanModel& model, std::int32_t measure, Statistic statistic,
                 const std::vector<std::int32_t>& selection, RunControl& control);

// The largest number of free sensors the count and the budget allow.
std::int32_t MostFreeSensors(const PlanModel& model);

}  // namespace optimizer
