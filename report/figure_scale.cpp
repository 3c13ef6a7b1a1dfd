#include "report/figure_scale.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/number_text.h"
#include "report/shown_digits.h"
#include "report/scale_ticks.h"

namespace report {

namespace {

// From poor to good; red and blue ends stay apart for the common forms of
// colour blindness, and every step is dark enough to see on the map's
// light background.
constexpr std::array<std::string_view, 7> kRamp = {"#c0262d", "#e4611b", "#eea02a", "#c9c23a",
                                                   "#69b08a", "#2e86c1", "#253f96"};
constexpr int kTargetClasses = 5;

std::string_view RampColour(int c, int classes, bool higherIsBetter) {
    if (classes == 1) return kRamp[kRamp.size() / 2];
    double position = static_cast<double>(c) / (classes - 1);
    if (!higherIsBetter) position = 1 - position;
    return kRamp[static_cast<std::size_t>(std::lround(position * (kRamp.size() - 1)))];
}

}  // namespace

int FigureScale::ClassOf(double value) const {
    if (!std::isfinite(value) || colours.empty()) return -1;
    auto above = std::upper_bound(limits.begin() + 1, limits.end() - 1, value);
    return static_cast<int>(above - limits.begin()) - 1;
}

std::string FigureScale::Label(int c) const {
    if (limits[c] == limits[c + 1]) return base::PlainSignificantText(limits[c], kShownDigits);
    return base::FixedText(limits[c], decimals) + " \u2013 " + base::FixedText(limits[c + 1], decimals);
}

FigureScale ScaleFigure(const NodeFigure& figure) {
    FigureScale scale;
    double low = INFINITY, high = -INFINITY;
    for (double v : figure.values) {
        if (!std::isfinite(v)) {
            scale.hasMissing = true;
            continue;
        }
        low = std::min(low, v);
        high = std::max(high, v);
    }
    if (!(low <= high)) return scale;
    if (low == high) {
        scale.limits = {low, low};
    } else {
        Ticks ticks = NiceTicks(low, high, kTargetClasses);
        while (ticks.count - 1 > static_cast<int>(kRamp.size())) ticks = NiceTicks(low, high, ticks.count - 3);
        for (int i = 0; i < ticks.count; ++i) scale.limits.push_back(ticks.At(i));
        scale.decimals = DecimalsFor(ticks.step);
    }
    int classes = std::max(static_cast<int>(scale.limits.size()) - 1, 1);
    for (int c = 0; c < classes; ++c) scale.colours.push_back(RampColour(c, classes, figure.higherIsBetter));
    return scale;
}

}  // namespace report
