// `tesmar report`: one self-contained HTML page of a network, its sensors
// and their figures, to open in any browser and send around.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "tesmar/place_request.h"
#include "network/toolkit.h"

namespace tesmar {

struct ReportRequest {
    std::string NetworkFile;
    std::string Output;                  // the page's file
    std::vector<std::string> Sensors;    // a given set, or
    std::optional<PlaceRequest> Place;   // the best set of Place.Sensors, with the curve up to it
    std::string Objective = "z1";        // of the tail figures of a given set
    std::string Statistic = "mean";
    double Alpha = optimizer::kDefaultAlpha;
    bool AcceptPartial = false;          // exit 0, not 3, when the figures rest on fewer events than the set holds
};

int RunReportCommand(const ReportRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err);

}  // namespace tesmar
