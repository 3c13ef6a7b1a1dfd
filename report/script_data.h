// The data the page's script works on, as JSON for a
// <script type="application/json"> element: node IDs, kinds and canvas
// positions for the hover look-up, the figures' values for the tooltips, the
// sensors. Safe to embed: every string goes through base::AppendJsonString.
#pragma once

#include <optional>
#include <string>

#include "report/map_geometry.h"
#include "report/report_data.h"

namespace report {

// Without a frame (no map) the script only needs to know that.
void AppendScriptData(std::string& out, const ReportData& data, const std::optional<MapFrame>& frame);

}  // namespace report
