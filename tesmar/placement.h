// A placement run on a loaded network and matrix set, with every chosen
// set also evaluated as `tesmar fitness` would: for `tesmar place` and for
// reports that optimise.
#pragma once

#include "optimizer/options.h"
#include "tesmar/place_request.h"
#include "tesmar/placement_text.h"
#include "tesmar/set_input.h"

namespace tesmar {

// Throws InputError for a request the set cannot answer (an unknown node,
// a sensor count that cannot be met, a measure the set lacks).
PlacementReport RunPlacement(const network::Network& net, const SetInput& input, const PlaceRequest& request,
                             const optimizer::ProgressCallback& progress = {});

// How a progress report names the stage a placement is in ("searching").
const char* StageName(optimizer::Stage stage);

}  // namespace tesmar
