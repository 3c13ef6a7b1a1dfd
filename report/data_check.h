// The consistency a report's data must have before it is drawn.
#pragma once

#include "report/report_data.h"

namespace report {

// Throws std::invalid_argument naming the first contradiction: a figure
// without one value per node, a link end or sensor outside the nodes, a
// sensor given twice, a curve point with a negative number of sensors.
void CheckReportData(const ReportData& data);

}  // namespace report
