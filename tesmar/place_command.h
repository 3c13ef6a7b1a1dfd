// `tesmar place`: the best sensor sets for a matrix set, with a proven bound.
#pragma once

#include <iosfwd>
#include <string>

#include "tesmar/place_request.h"
#include "network/toolkit.h"

namespace tesmar {

struct PlaceCommandRequest {
    std::string NetworkFile;
    PlaceRequest Place;
    bool Json = false;
    bool AcceptPartial = false;  // exit 0, not 3, when the figures rest on fewer events than the set holds
};

// Prints the chosen set (every set of the curve with --curve) to out and
// the progress to err; returns the exit code.
int RunPlaceCommand(const PlaceCommandRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err);

}  // namespace tesmar
