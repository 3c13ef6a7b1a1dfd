// What `tesmar place` prints: the chosen sensors, the value and its proven
// bound, the tail figures and the evaluator's four lines, as a table or one
// JSON object.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "evaluator/fitness.h"
#include "optimizer/matrix_input.h"
#include "optimizer/result.h"
#include "tesmar/set_input.h"

namespace tesmar {

struct PlacementReport {
    std::string networkPath;
    optimizer::Measure measure = optimizer::Measure::TimeToDetection;
    optimizer::Statistic statistic = optimizer::Statistic::Mean;
    double alpha = optimizer::kDefaultAlpha;
    bool detectableOnly = false;
    std::int32_t events = 0;  // in the matrix set
    std::int32_t sensorsAsked = 0;  // the largest set asked for; sets hold fewer when no further node helps
    optimizer::Result result;
    std::vector<std::vector<std::string>> sensorIds;  // per placement
    std::vector<evaluator::FitnessResult> fitness;    // per placement
    // The planning options that applied, one line each; empty for a plain request.
    std::vector<std::string> plan;
    std::optional<Shortfall> partial;                 // what the set's figures rest on
    std::optional<std::string> unfinished;
    bool stoppedBySignal = false;  // a stop signal, not the time limit, ended the run
};

// A value, bound or statistic as tesmar place writes it: six significant
// digits, "-" when there is none.
std::string FigureText(double value);

// "mean", "VaR 95 %", "CVaR 95 %", "worst case".
std::string StatisticName(optimizer::Statistic statistic, double alpha);

std::string PlacementText(const PlacementReport& report);
std::string PlacementJson(const PlacementReport& report);

// What the planning options add for one placement, as labelled rows (the
// report page's figures); empty for a plain request.
std::vector<std::pair<std::string, std::string>> PlanRows(const PlacementReport& report,
                                                          const optimizer::Placement& placement);

// What cannot be improved: the events no node detects and the statistics
// they fix whatever the set (empty when there are none).
std::vector<std::string> PlacementNotes(const PlacementReport& report);

}  // namespace tesmar
