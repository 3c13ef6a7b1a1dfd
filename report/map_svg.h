// The network map as inline SVG. The DOM stays small whatever the network's
// size: all links of a kind are one <path>, the nodes of one colour class
// are one <path> of dots (one group of such paths per figure, the first one
// shown), only the few symbols and the sensors are elements of their own.
// Everything that pans and zooms sits in one group, #map-view.
#pragma once

#include <string>
#include <vector>

#include "report/figure_scale.h"
#include "report/map_geometry.h"
#include "report/report_data.h"

namespace report {

void AppendMapSvg(std::string& out, const ReportData& data, const MapFrame& frame,
                  const std::vector<FigureScale>& scales);

}  // namespace report
