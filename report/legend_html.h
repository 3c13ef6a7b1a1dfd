// The map's legend: the colour classes of each figure (only the shown
// figure's block is visible, the script switches them), a choice of the
// figure, and the symbols of the node and link kinds the network has.
#pragma once

#include <string>
#include <vector>

#include "report/figure_scale.h"
#include "report/report_data.h"

namespace report {

void AppendLegend(std::string& out, const ReportData& data, const std::vector<FigureScale>& scales);

}  // namespace report
