// The planning options of `tesmar place` and `tesmar report --place` (costs
// and budget, event weights, requirements, redundancy, failing sensors)
// read into the optimizer's form: the cost and weight files parsed, the
// requirements' expressions parsed and their measures' matrices opened.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "network/netload.h"
#include "optimizer/matrix_input.h"
#include "optimizer/plan_options.h"
#include "tesmar/place_request.h"
#include "tesmar/set_input.h"

namespace tesmar {

struct PlanInput {
    optimizer::PlanOptions plan;
    // The matrices the requirements read; Requirement::data points into them.
    std::vector<std::unique_ptr<optimizer::MatrixInput>> measures;
};

// True when the request uses any planning option.
bool PlanRequested(const PlaceRequest& request);

// Throws InputError naming the file and line, or the option and text, of
// the first fault: a file that is not a readable regular file, an unknown
// node ID, an event number out of range, a cost, weight or failure chance
// that is not a number in range, an ID or event listed twice, events left
// without a weight, a malformed requirement, or a requirement's measure the
// set lacks.
PlanInput ToPlanInput(const PlaceRequest& request, const network::Network& net, const SetInput& input);

// One line per option that applied, as the answer lists them.
std::vector<std::string> PlanDescription(const PlaceRequest& request);

}  // namespace tesmar
