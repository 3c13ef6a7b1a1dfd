// The report page: one self-contained HTML document (inline SVG, style and
// script, nothing fetched when it is opened) drawn from a ReportData.
#pragma once

#include <string>

#include "report/report_data.h"

namespace report {

// Throws std::invalid_argument when the data contradicts itself (a figure
// with the wrong number of values, a link or sensor naming no node).
std::string RenderHtml(const ReportData& data);

}  // namespace report
