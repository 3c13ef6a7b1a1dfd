// A placement request checked against the data, with its node lists turned
// into what the solvers use.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/options.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

struct Request {
    std::int32_t sensors = 0;
    std::int32_t fewestSensors = 0;  // first sensor count solved (the curve's start)
    std::vector<std::int32_t> fixed;       // distinct fixed nodes, in the order given
    std::vector<std::int32_t> freeNodes;   // ascending nodes where a further sensor may go
    int threads = 1;
};

// Throws RequestError naming the first fault found.
Request ValidateRequest(const ScenarioData& data, const Options& options);

}  // namespace optimizer
