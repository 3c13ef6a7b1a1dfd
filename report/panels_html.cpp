#include "report/panels_html.h"

#include <cmath>

#include "report/html_text.h"
#include "report/map_geometry.h"
#include "base/number_text.h"
#include "report/shown_digits.h"

namespace report {

namespace {

const char* KindName(NodeKind kind) {
    switch (kind) {
        case NodeKind::Reservoir: return "Reservoir";
        case NodeKind::Tank: return "Tank";
        case NodeKind::Junction: break;
    }
    return "Junction";
}

void AppendFigureHeading(std::string& out, const NodeFigure& figure) {
    out += "<th class=\"num\">";
    AppendHtml(out, figure.name);
    if (!figure.unit.empty()) {
        out += " (";
        AppendHtml(out, figure.unit);
        out += ')';
    }
    out += "</th>";
}

void AppendSensorRow(std::string& out, const ReportData& data, int n, bool withMap) {
    const MapNode& node = data.nodes[static_cast<std::size_t>(n)];
    out += "<tr><td>";
    if (withMap && MapFrame::HasPosition(node)) {
        out.append("<button type=\"button\" class=\"node-link\" data-node=\"").append(std::to_string(n)).append("\">");
        AppendHtml(out, node.id);
        out += "</button>";
    } else {
        AppendHtml(out, node.id);
    }
    out.append("</td><td>").append(KindName(node.kind)).append("</td>");
    for (const NodeFigure& figure : data.figures) {
        double value = figure.values[static_cast<std::size_t>(n)];
        out += "<td class=\"num\">";
        out += std::isfinite(value) ? base::PlainSignificantText(value, kShownDigits) : "\u2013";
        out += "</td>";
    }
    out += "</tr>";
}

}  // namespace

void AppendSensorPanel(std::string& out, const ReportData& data, bool withMap) {
    out += "<section class=\"card\" id=\"sensors\"><h2>Chosen sensors <span class=\"sub\">(";
    out += base::GroupedCountText(static_cast<long long>(data.sensors.size()));
    out += ")</span></h2>";
    if (data.sensors.empty()) {
        out += "<p class=\"empty\">No sensors were chosen.</p></section>";
        return;
    }
    out += "<div class=\"table-scroll\"><table><thead><tr><th>Node</th><th>Kind</th>";
    for (const NodeFigure& figure : data.figures) AppendFigureHeading(out, figure);
    out += "</tr></thead><tbody>";
    for (int n : data.sensors) AppendSensorRow(out, data, n, withMap);
    out += "</tbody></table></div></section>";
}

void AppendFitnessPanel(std::string& out, const ReportData& data) {
    if (data.fitnessLines.empty() && data.tailFigures.empty()) return;
    out += "<section class=\"card\" id=\"fitness\"><h2>Fitness of the chosen set</h2>";
    if (!data.fitnessLines.empty()) {
        out += "<ul class=\"fitness\">";
        for (const std::string& line : data.fitnessLines) {
            out += "<li>";
            AppendHtml(out, line);
            out += "</li>";
        }
        out += "</ul>";
    }
    if (!data.tailFigures.empty()) {
        out += "<h3>Tail figures</h3>";
        AppendKeyValueTable(out, data.tailFigures);
    }
    out += "</section>";
}

void AppendKeyValueTable(std::string& out, const KeyValues& rows) {
    out += "<table class=\"kv\"><tbody>";
    for (const auto& [label, value] : rows) {
        out += "<tr><th scope=\"row\">";
        AppendHtml(out, label);
        out += "</th><td>";
        AppendHtml(out, value);
        out += "</td></tr>";
    }
    out += "</tbody></table>";
}

void AppendNotesPanel(std::string& out, const std::vector<std::string>& notes) {
    if (notes.empty()) return;
    out += "<section class=\"card wide notes\" id=\"notes\"><h2>Notes</h2>";
    for (const std::string& note : notes) {
        out += "<p>";
        AppendHtml(out, note);
        out += "</p>";
    }
    out += "</section>";
}

}  // namespace report
