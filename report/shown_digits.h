// How precisely the page shows its figures.
#pragma once

namespace report {

// Significant digits of every figure the page shows: tables, tooltips, the chart.
inline constexpr int kShownDigits = 6;

}  // namespace report
