#include "report/map_svg.h"

#include <array>

#include "report/html_text.h"
#include "report/map_symbols.h"
#include "base/number_text.h"
#include "report/path_data.h"

namespace report {

namespace {

// Dot size classes of the style sheet (map-density-0 largest): networks with
// more nodes get smaller dots.
int DensityClass(std::size_t nodes) { return nodes <= 400 ? 0 : nodes <= 4000 ? 1 : 2; }

void AppendTranslate(std::string& out, CanvasPoint p) {
    out += "translate(";
    base::AppendHundredths(out, p.x);
    out += ' ';
    base::AppendHundredths(out, p.y);
    out += ')';
}

void AppendLinks(std::string& out, const ReportData& data, const MapFrame& frame) {
    static constexpr std::array<std::pair<LinkKind, const char*>, 3> kLayers = {
        {{LinkKind::Pipe, "pipe"}, {LinkKind::Pump, "pump"}, {LinkKind::Valve, "valve"}}};
    std::vector<CanvasPoint> points;
    for (const auto& [kind, name] : kLayers) {
        std::size_t start = out.size();
        out.append("<path class=\"link ").append(name).append("\" d=\"");
        std::size_t pathStart = out.size();
        PathData path(out);
        for (const MapLink& link : data.links) {
            if (link.kind != kind) continue;
            LinkPoints(data, frame, link, points);
            if (points.empty()) continue;
            path.MoveTo(points.front());
            for (std::size_t i = 1; i < points.size(); ++i) path.LineTo(points[i]);
        }
        if (out.size() == pathStart)
            out.resize(start);
        else
            out += "\"/>";
    }
}

// One group of dot paths per figure, a dot path per colour class and one
// for nodes without a value; only the first figure's group is shown.
void AppendFigureLayers(std::string& out, const ReportData& data, const MapFrame& frame,
                        const std::vector<FigureScale>& scales) {
    std::size_t figures = std::max<std::size_t>(scales.size(), 1);
    for (std::size_t f = 0; f < figures; ++f) {
        out.append("<g class=\"figure-layer\" data-figure=\"").append(std::to_string(f)).append("\"");
        if (f > 0) out += " display=\"none\"";
        out += '>';
        int classes = f < scales.size() ? scales[f].Classes() : 0;
        for (int c = -1; c < classes; ++c) {
            std::size_t start = out.size();
            out.append("<path class=\"dots\" stroke=\"")
                .append(c < 0 ? kNoValueColour : scales[f].colours[static_cast<std::size_t>(c)])
                .append("\" d=\"");
            std::size_t pathStart = out.size();
            PathData path(out);
            for (std::size_t n = 0; n < data.nodes.size(); ++n) {
                const MapNode& node = data.nodes[n];
                if (!MapFrame::HasPosition(node)) continue;
                int nodeClass = f < scales.size() ? scales[f].ClassOf(data.figures[f].values[n]) : -1;
                if (nodeClass == c) path.Dot(frame.At(node.x, node.y));
            }
            if (out.size() == pathStart)
                out.resize(start);
            else
                out += "\"/>";
        }
        out += "</g>";
    }
}

void AppendUse(std::string& out, std::string_view symbol) {
    out.append("<use class=\"inv\" href=\"#").append(symbol).append("\"/>");
}

void AppendSymbols(std::string& out, const ReportData& data, const MapFrame& frame) {
    out += "<g class=\"marks\">";
    for (const MapNode& node : data.nodes) {
        std::string_view symbol = SymbolOf(node.kind);
        if (symbol.empty() || !MapFrame::HasPosition(node)) continue;
        out += "<g transform=\"";
        AppendTranslate(out, frame.At(node.x, node.y));
        out += "\">";
        AppendUse(out, symbol);
        out += "</g>";
    }
    std::vector<CanvasPoint> points;
    for (const MapLink& link : data.links) {
        std::string_view symbol = SymbolOf(link.kind);
        if (symbol.empty()) continue;
        LinkPoints(data, frame, link, points);
        if (points.empty()) continue;
        Placement middle = PolylineMiddle(points);
        out += "<g transform=\"";
        AppendTranslate(out, middle.at);
        if (middle.degrees != 0) out.append(" rotate(").append(std::to_string(middle.degrees)).append(")");
        out += "\">";
        AppendUse(out, symbol);
        out += "</g>";
    }
    out += "</g>";
}

// Labels go right of the sensor, or left of it near the map's right edge.
void AppendSensors(std::string& out, const ReportData& data, const MapFrame& frame) {
    out += "<g class=\"sensors\">";
    for (int n : data.sensors) {
        const MapNode& node = data.nodes[static_cast<std::size_t>(n)];
        if (!MapFrame::HasPosition(node)) continue;
        CanvasPoint at = frame.At(node.x, node.y);
        bool leftLabel = at.x > frame.Width() * kSubunits * 85 / 100;
        out.append("<g class=\"sensor\" data-node=\"").append(std::to_string(n)).append("\" transform=\"");
        AppendTranslate(out, at);
        out += "\"><g class=\"inv\"><use href=\"#";
        out += kSensorSymbol;
        out += leftLabel ? "\"/><text class=\"sensor-label\" x=\"-13\" y=\"4.5\" text-anchor=\"end\">"
                         : "\"/><text class=\"sensor-label\" x=\"13\" y=\"4.5\">";
        AppendHtml(out, node.id);
        out += "</text></g></g>";
    }
    out += "</g>";
}

}  // namespace

void AppendMapSvg(std::string& out, const ReportData& data, const MapFrame& frame,
                  const std::vector<FigureScale>& scales) {
    std::size_t drawn = 0;
    for (const MapNode& node : data.nodes) drawn += MapFrame::HasPosition(node);
    out.append("<svg id=\"map\" class=\"map map-density-")
        .append(std::to_string(DensityClass(drawn)))
        .append("\" viewBox=\"0 0 ")
        .append(std::to_string(frame.Width()))
        .append(" ")
        .append(std::to_string(frame.Height()))
        .append("\" tabindex=\"0\" role=\"img\" aria-label=\"Map of the network; arrow keys pan, + and - zoom, "
                "0 shows it whole\">");
    AppendSymbolDefs(out);
    out += "<g id=\"map-view\">";
    AppendLinks(out, data, frame);
    AppendFigureLayers(out, data, frame, scales);
    AppendSymbols(out, data, frame);
    AppendSensors(out, data, frame);
    out += "<g id=\"focus-mark\" display=\"none\"><g class=\"inv\"><circle r=\"15\"/></g></g>";
    out += "</g></svg>";
}

}  // namespace report
