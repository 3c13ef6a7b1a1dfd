// The placement problem reduced to what the solvers need: the counted events
// with their impacts under the fixed sensors alone, and for every node where a
// further sensor may go a column of the events it would improve.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/request.h"
#include "optimizer/run_control.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

struct Problem {
    std::int32_t eventCount = 0;
    std::vector<std::int32_t> eventIds;  // data index of each counted event
    // Per counted event: its impact with only the fixed sensors (the
    // undetected impact when they miss it); no set does worse.
    std::vector<double> base;
    // Per counted event: its impact with a sensor on every candidate; no set
    // does better.
    std::vector<double> ideal;
    std::int32_t detectedByFixed = 0;  // counted events the fixed sensors detect
    std::int32_t detectable = 0;       // counted events some candidate or fixed node detects
    std::int32_t undetectable = 0;     // events (counted or not) no candidate or fixed node detects

    // Column c stands for node columnNode[c]; its cells [columnStart[c],
    // columnStart[c + 1]) are the counted events whose impact the node would
    // lower below their base, ascending, with that impact.
    std::vector<std::int32_t> columnNode;
    std::vector<std::int64_t> columnStart;
    std::vector<std::int32_t> cellEvent;
    std::vector<float> cellImpact;

    std::int32_t columns() const { return static_cast<std::int32_t>(columnNode.size()); }
    std::int64_t cells() const { return columnStart.back(); }
    // Column ranges of about equal cell counts for the run's threads.
    std::vector<std::int64_t> ColumnCuts(int threads) const;
};

// Reads the matrices twice (flags, then impacts of the flagged cells) on the
// run's threads. Throws RequestError on an impact that is not a finite number.
Problem BuildProblem(const ScenarioData& data, const Options& options, const Request& request);

}  // namespace optimizer
