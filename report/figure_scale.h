// The colour classes a per-node figure is drawn in: round class limits over
// the figure's range, colours from poor (warm) to good (blue) whichever way
// round the figure counts as better.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/report_data.h"

namespace report {

inline constexpr std::string_view kNoValueColour = "#a3acb9";

struct FigureScale {
    // Class c holds the values in [limits[c], limits[c + 1]), the last class
    // includes its upper limit. A figure with a single value has one class
    // whose limits are equal; a figure without values has none.
    std::vector<double> limits;
    std::vector<std::string_view> colours;  // one per class
    int decimals = 0;                       // for writing the limits
    bool hasMissing = false;                // some node has no (finite) value

    int Classes() const { return static_cast<int>(colours.size()); }
    int ClassOf(double value) const;  // -1 for NaN and infinities
    std::string Label(int c) const;   // "0.2 – 0.4"
};

FigureScale ScaleFigure(const NodeFigure& figure);

}  // namespace report
