// A planning request reduced to what its search, bound and exact model use:
// the counted events with their weights, the nodes where a sensor may stand
// (fixed ones first) with their costs and failure chances, and for the
// objective and each requirement a measure: per node the events it detects
// with the impact there.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/plan_options.h"
#include "optimizer/request.h"
#include "optimizer/result.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

struct PlanMeasure {
    std::vector<double> undetected;  // per counted event
    // Column c's cells [columnStart[c], columnStart[c + 1]): the counted
    // events node columnNode[c] detects, ascending, with the impact there
    // (never above the event's undetected impact).
    std::vector<std::int64_t> columnStart;
    std::vector<std::int32_t> cellEvent;
    std::vector<float> cellImpact;
};

// A statistic of a measure that must stay at or below a limit.
struct PlanLimit {
    std::int32_t measure = 0;  // index into PlanModel::measures
    Statistic statistic = Statistic::Mean;
    double limit = 0;
};

struct PlanModel {
    std::vector<std::int32_t> eventIds;  // data index of each counted event
    std::vector<double> weight;          // per counted event, summing to 1
    std::vector<std::int32_t> columnNode;
    std::int32_t fixedColumns = 0;  // columns [0, fixedColumns) always hold a sensor
    std::vector<double> cost, failure;  // per column
    std::int32_t redundancy = 1;
    Statistic statistic = Statistic::Mean;
    double alpha = kDefaultAlpha;
    std::int32_t maxFree = 0;  // free sensors the count allows
    double freeBudget = std::numeric_limits<double>::infinity();  // budget left after the fixed sensors
    // [0] the objective, [1] detection (missed = 1), then one per requirement measure.
    std::vector<PlanMeasure> measures;
    std::vector<PlanLimit> limits;  // in the order of the requirements

    std::int32_t events() const { return static_cast<std::int32_t>(eventIds.size()); }
    std::int32_t columns() const { return static_cast<std::int32_t>(columnNode.size()); }
    bool Perfect() const;  // every sensor works
};

inline constexpr std::int32_t kObjectiveMeasure = 0, kDetectionMeasure = 1;

// Throws RequestError for weights that do not fit the events or sum to 0, a
// cost or failure chance out of range, or a budget the fixed sensors exceed.
PlanModel BuildPlanModel(const ScenarioData& data, const Options& options, const PlanOptions& plan,
                         const Request& request);

// Each counted event's value under the fixed sensors and the free columns of
// `selection`: the expected impact at its R-th working detection, or its
// undetected impact when fewer than R sensors work and detect it. With
// `detectedShare`, also the weighted chance that it is detected.
// How a selection's values are taken: as the request says, with every
// sensor working, or also at the first detection whatever the redundancy.
enum class Sensing { AsPlanned, Perfect, FirstDetection };

std::vector<double> PlanValues(const PlanModel& model, std::int32_t measure, const std::vector<std::int32_t>& selection,
                               double* detectedShare = nullptr, Sensing sensing = Sensing::AsPlanned);

double PlanStatistic(const PlanModel& model, std::int32_t measure, Statistic statistic,
                     const std::vector<std::int32_t>& selection);

// The objective measure's weighted figures for the selection.
Figures PlanFigures(const PlanModel& model, const std::vector<std::int32_t>& selection);

double SelectionCost(const PlanModel& model, const std::vector<std::int32_t>& selection);

}  // namespace optimizer
