// `tesmar build`: the scenario matrices of any network through the builder engine.
#pragma once

#include <iosfwd>

#include "tesmar/build_request.h"
#include "network/toolkit.h"

namespace tesmar {

// Validates the request, loads the network, runs the build and returns the
// exit code. The written matrix file names go to out; the seed, progress
// and messages go to err. liveProgress redraws one progress line in place.
int RunBuildCommand(const BuildRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err, bool liveProgress);

}  // namespace tesmar
