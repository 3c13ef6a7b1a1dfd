// The trade-off curve: the best objective value found against the number of
// sensors, with the proven bound, as an inline SVG chart and a table.
#pragma once

#include <string>
#include <vector>

#include "report/report_data.h"

namespace report {

// chosenSensors marks the size of the chosen set on the chart (0: none).
void AppendCurvePanel(std::string& out, const std::vector<CurvePoint>& curve, const std::string& objectiveLabel,
                      int chosenSensors);

}  // namespace report
