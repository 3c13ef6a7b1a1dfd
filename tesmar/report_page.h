// The data of a report page, gathered from a loaded network, its matrix set
// and a sensor set (given, or chosen by a placement run).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "network/netload.h"
#include "report/report_data.h"
#include "tesmar/placement_text.h"
#include "tesmar/set_input.h"

namespace tesmar {

struct ReportSensors {
    std::vector<std::int32_t> nodes;             // node indexes, from 1
    std::optional<PlacementReport> placement;    // when the set was chosen by a placement run
    // The tail figures of a given set: its measure and statistic level.
    optimizer::Measure measure = optimizer::Measure::TimeToDetection;
    double alpha = optimizer::kDefaultAlpha;
};

report::ReportData ReportPage(const network::Network& net, const SetInput& input, const ReportSensors& sensors);

}  // namespace tesmar
