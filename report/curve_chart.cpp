#include "report/curve_chart.h"

#include <algorithm>
#include <cmath>

#include "report/html_text.h"
#include "base/number_text.h"
#include "report/shown_digits.h"
#include "report/scale_ticks.h"

namespace report {

namespace {

constexpr double kWidth = 760, kHeight = 360;
constexpr double kLeft = 84, kRight = 24, kTop = 40, kBottom = 58;
constexpr double kChosenLabelWidth = 80;

struct Axes {
    Ticks x, y;
    int yDecimals = 0;
    double X(double sensors) const {
        return kLeft + (sensors - x.first) / (x.Last() - x.first) * (kWidth - kLeft - kRight);
    }
    double Y(double value) const {
        return kHeight - kBottom - (value - y.first) / (y.Last() - y.first) * (kHeight - kTop - kBottom);
    }
};

std::string Coordinate(double v) { return base::FixedText(v, 1); }

Axes MakeAxes(const std::vector<CurvePoint>& points, int chosenSensors) {
    double lowX = points.front().sensors, highX = points.back().sensors;
    if (chosenSensors > 0) lowX = std::min<double>(lowX, chosenSensors), highX = std::max<double>(highX, chosenSensors);
    double lowY = INFINITY, highY = -INFINITY;
    for (const CurvePoint& p : points)
        for (double v : {p.value, p.bound})
            if (std::isfinite(v)) lowY = std::min(lowY, v), highY = std::max(highY, v);
    if (!(lowY <= highY)) lowY = 0, highY = 1;
    Axes axes;
    if (highX - lowX < 2) lowX -= 1, highX += 1;
    axes.x = NiceTicks(lowX, highX, 10);
    if (axes.x.step < 1) axes.x = Ticks{std::floor(lowX), 1, static_cast<int>(std::ceil(highX) - std::floor(lowX)) + 1};
    axes.y = NiceTicks(lowY, highY, 5);
    axes.yDecimals = DecimalsFor(axes.y.step);
    return axes;
}

void AppendText(std::string& out, double x, double y, const char* anchor, const std::string& text,
                const char* cls = nullptr) {
    out.append("<text x=\"").append(Coordinate(x)).append("\" y=\"").append(Coordinate(y));
    out.append("\" text-anchor=\"").append(anchor).append("\"");
    if (cls) out.append(" class=\"").append(cls).append("\"");
    out += '>';
    AppendHtml(out, text);
    out += "</text>";
}

void AppendLine(std::string& out, double x1, double y1, double x2, double y2, const char* cls) {
    out.append("<line class=\"").append(cls).append("\" x1=\"").append(Coordinate(x1)).append("\" y1=\"");
    out.append(Coordinate(y1)).append("\" x2=\"").append(Coordinate(x2)).append("\" y2=\"").append(Coordinate(y2));
    out += "\"/>";
}

void AppendGridAndAxes(std::string& out, const Axes& axes, const std::string& objectiveLabel) {
    double bottom = kHeight - kBottom, right = kWidth - kRight;
    for (int i = 0; i < axes.y.count; ++i) {
        double y = axes.Y(axes.y.At(i));
        AppendLine(out, kLeft, y, right, y, "grid");
        AppendText(out, kLeft - 8, y + 4, "end", base::FixedText(axes.y.At(i), axes.yDecimals));
    }
    for (int i = 0; i < axes.x.count; ++i) {
        double x = axes.X(axes.x.At(i));
        AppendLine(out, x, bottom, x, bottom + 5, "axis");
        AppendText(out, x, bottom + 19, "middle", base::FixedText(axes.x.At(i), 0));
    }
    AppendLine(out, kLeft, kTop - 6, kLeft, bottom, "axis");
    AppendLine(out, kLeft, bottom, right, bottom, "axis");
    AppendText(out, (kLeft + right) / 2, kHeight - 12, "middle", "Number of sensors", "axis-title");
    out.append("<text class=\"axis-title\" text-anchor=\"middle\" transform=\"translate(18 ")
        .append(Coordinate((kTop + bottom) / 2))
        .append(") rotate(-90)\">");
    AppendHtml(out, objectiveLabel.empty() ? "Objective value" : objectiveLabel);
    out += "</text>";
}

// A polyline through the finite values; gaps where a value is missing.
void AppendSeries(std::string& out, const std::vector<CurvePoint>& points, const Axes& axes, bool bound,
                  const char* cls) {
    std::string d;
    bool open = false;
    for (const CurvePoint& p : points) {
        double v = bound ? p.bound : p.value;
        if (!std::isfinite(v)) {
            open = false;
            continue;
        }
        d.append(open ? "L" : "M").append(Coordinate(axes.X(p.sensors))).append(" ").append(Coordinate(axes.Y(v)));
        open = true;
    }
    if (!d.empty()) out.append("<path class=\"").append(cls).append("\" d=\"").append(d).append("\"/>");
}

void AppendPoints(std::string& out, const std::vector<CurvePoint>& points, const Axes& axes, int chosenSensors) {
    for (const CurvePoint& p : points) {
        if (std::isfinite(p.bound)) {
            out.append("<circle class=\"pt-bound\" r=\"3.5\" cx=\"").append(Coordinate(axes.X(p.sensors)));
            out.append("\" cy=\"").append(Coordinate(axes.Y(p.bound))).append("\"/>");
        }
    }
    for (const CurvePoint& p : points) {
        if (!std::isfinite(p.value)) continue;
        bool chosen = p.sensors == chosenSensors;
        out.append("<circle class=\"pt-value").append(chosen ? " pt-chosen" : "").append("\" r=\"");
        out.append(chosen ? "6" : "4.5").append("\" cx=\"").append(Coordinate(axes.X(p.sensors)));
        out.append("\" cy=\"").append(Coordinate(axes.Y(p.value))).append("\"><title>");
        std::string text = std::to_string(p.sensors) + " sensors: " + base::PlainSignificantText(p.value, kShownDigits);
        if (std::isfinite(p.bound)) text += ", bound " + base::PlainSignificantText(p.bound, kShownDigits);
        AppendHtml(out, text);
        out += "</title></circle>";
    }
}

void AppendChosenMark(std::string& out, const Axes& axes, int chosenSensors) {
    if (chosenSensors <= 0) return;
    double x = axes.X(chosenSensors);
    AppendLine(out, x, kTop - 6, x, kHeight - kBottom, "chosen-line");
    // The label goes left of the line where it would run past the chart.
    const bool roomOnRight = x + kChosenLabelWidth < kWidth - kRight;
    AppendText(out, roomOnRight ? x + 6 : x - 6, kTop + 6, roomOnRight ? "start" : "end", "chosen set", "chosen-text");
}

void AppendKey(std::string& out) {
    double x = kWidth - kRight - 290, y = 16;
    AppendLine(out, x, y, x + 26, y, "series-value");
    out.append("<circle class=\"key-value\" r=\"4\" cx=\"").append(Coordinate(x + 13)).append("\" cy=\"16\"/>");
    AppendText(out, x + 34, y + 4, "start", "Best value found");
    x += 150;
    AppendLine(out, x, y, x + 26, y, "series-bound");
    AppendText(out, x + 34, y + 4, "start", "Proven bound");
}

void AppendChart(std::string& out, const std::vector<CurvePoint>& points, const std::string& objectiveLabel,
                 int chosenSensors) {
    Axes axes = MakeAxes(points, chosenSensors);
    out.append("<svg class=\"chart\" viewBox=\"0 0 ").append(Coordinate(kWidth)).append(" ").append(Coordinate(kHeight));
    out += "\" role=\"img\" aria-label=\"Objective value against the number of sensors\">";
    AppendGridAndAxes(out, axes, objectiveLabel);
    AppendChosenMark(out, axes, chosenSensors);
    AppendSeries(out, points, axes, true, "series-bound");
    AppendSeries(out, points, axes, false, "series-value");
    AppendPoints(out, points, axes, chosenSensors);
    AppendKey(out);
    out += "</svg>";
}

std::string Gap(const CurvePoint& p) {
    if (!std::isfinite(p.value) || !std::isfinite(p.bound)) return "\u2013";
    double gap = std::fabs(p.value - p.bound);
    if (gap == 0) return base::SpacedPercentText(0);
    if (p.value == 0) return "\u2013";
    return base::SpacedPercentText(100 * gap / std::fabs(p.value));
}

void AppendTable(std::string& out, const std::vector<CurvePoint>& points, int chosenSensors) {
    out += "<div class=\"table-scroll curve-table\"><table><thead><tr><th class=\"num\">Sensors</th>"
           "<th class=\"num\">Best value found</th><th class=\"num\">Proven bound</th><th class=\"num\">Gap</th>"
           "</tr></thead><tbody>";
    for (const CurvePoint& p : points) {
        auto number = [](double v) { return std::isfinite(v) ? base::PlainSignificantText(v, kShownDigits) : "\u2013"; };
        out.append("<tr").append(p.sensors == chosenSensors ? " class=\"chosen\"" : "").append(">");
        out.append("<td class=\"num\">").append(std::to_string(p.sensors)).append("</td>");
        out.append("<td class=\"num\">").append(number(p.value)).append("</td>");
        out.append("<td class=\"num\">").append(number(p.bound)).append("</td>");
        out.append("<td class=\"num\">").append(Gap(p)).append("</td></tr>");
    }
    out += "</tbody></table></div>";
}

}  // namespace

void AppendCurvePanel(std::string& out, const std::vector<CurvePoint>& curve, const std::string& objectiveLabel,
                      int chosenSensors) {
    out += "<section class=\"card wide\" id=\"curve\"><h2>Trade-off curve</h2><p class=\"sub\">The best value found "
           "for each number of sensors, and the proven bound on the best value possible.</p>";
    std::vector<CurvePoint> points(curve);
    std::stable_sort(points.begin(), points.end(),
                     [](const CurvePoint& a, const CurvePoint& b) { return a.sensors < b.sensors; });
    if (points.empty()) {
        out += "<p class=\"empty\">The optimisation gave no points.</p></section>";
        return;
    }
    out += "<div class=\"curve-body\">";
    AppendChart(out, points, objectiveLabel, chosenSensors);
    AppendTable(out, points, chosenSensors);
    out += "</div></section>";
}

}  // namespace report
