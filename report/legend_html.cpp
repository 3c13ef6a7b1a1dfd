#include "report/legend_html.h"

#include <algorithm>

#include "report/html_text.h"
#include "report/map_symbols.h"

namespace report {

namespace {

void AppendSwatch(std::string& out, std::string_view colour) {
    out.append("<svg class=\"swatch\" viewBox=\"0 0 22 14\" aria-hidden=\"true\"><rect width=\"22\" height=\"14\" "
               "rx=\"3\" fill=\"")
        .append(colour)
        .append("\"/></svg>");
}

void AppendClassItem(std::string& out, std::string_view colour, const std::string& label) {
    out += "<li class=\"class-item\">";
    AppendSwatch(out, colour);
    out += "<span>";
    AppendHtml(out, label);
    out += "</span></li>";
}

void AppendFigureChoice(std::string& out, const ReportData& data) {
    if (data.figures.size() < 2) return;
    out += "<label class=\"legend-control\">Colour nodes by <select id=\"figure-select\">";
    for (std::size_t f = 0; f < data.figures.size(); ++f) {
        out.append("<option value=\"").append(std::to_string(f)).append("\"");
        if (f == 0) out += " selected";
        out += '>';
        AppendHtml(out, data.figures[f].name);
        out += "</option>";
    }
    out += "</select></label>";
}

void AppendFigureBlock(std::string& out, const NodeFigure& figure, const FigureScale& scale, std::size_t f) {
    out.append("<div class=\"legend-figure\" data-figure=\"").append(std::to_string(f)).append("\"");
    if (f > 0) out += " hidden";
    out += "><h3>";
    AppendHtml(out, figure.name);
    if (!figure.unit.empty()) {
        out += " (";
        AppendHtml(out, figure.unit);
        out += ')';
    }
    out += "</h3><p class=\"sub\">";
    out += figure.higherIsBetter ? "Higher is better" : "Lower is better";
    out += "</p><ul class=\"classes\">";
    for (int c = scale.Classes() - 1; c >= 0; --c)
        AppendClassItem(out, scale.colours[static_cast<std::size_t>(c)], scale.Label(c));
    if (scale.hasMissing) AppendClassItem(out, kNoValueColour, "No value");
    out += "</ul></div>";
}

void AppendSymbolItem(std::string& out, std::string_view symbol, std::string_view label) {
    out += "<li>";
    AppendSymbolIcon(out, symbol);
    out.append("<span>").append(label).append("</span></li>");
}

void AppendSymbolList(std::string& out, const ReportData& data) {
    auto hasNode = [&](NodeKind kind) {
        return std::any_of(data.nodes.begin(), data.nodes.end(), [&](const MapNode& n) { return n.kind == kind; });
    };
    auto hasLink = [&](LinkKind kind) {
        return std::any_of(data.links.begin(), data.links.end(), [&](const MapLink& l) { return l.kind == kind; });
    };
    out += "<ul class=\"symbols\">";
    if (!data.sensors.empty()) AppendSymbolItem(out, kSensorSymbol, "Chosen sensor");
    if (hasNode(NodeKind::Reservoir)) AppendSymbolItem(out, SymbolOf(NodeKind::Reservoir), "Reservoir");
    if (hasNode(NodeKind::Tank)) AppendSymbolItem(out, SymbolOf(NodeKind::Tank), "Tank");
    if (hasLink(LinkKind::Pump)) AppendSymbolItem(out, SymbolOf(LinkKind::Pump), "Pump");
    if (hasLink(LinkKind::Valve)) AppendSymbolItem(out, SymbolOf(LinkKind::Valve), "Valve");
    out += "</ul>";
}

}  // namespace

void AppendLegend(std::string& out, const ReportData& data, const std::vector<FigureScale>& scales) {
    out += "<section class=\"card\" id=\"legend\"><h2>Legend</h2>";
    AppendFigureChoice(out, data);
    for (std::size_t f = 0; f < data.figures.size(); ++f) AppendFigureBlock(out, data.figures[f], scales[f], f);
    if (data.figures.empty()) out += "<p class=\"sub\">No figures per node were given; nodes are drawn in grey.</p>";
    AppendSymbolList(out, data);
    out += "</section>";
}

}  // namespace report
