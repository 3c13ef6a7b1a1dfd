#include "report/render_html.h"

#include <optional>
#include <vector>

#include "report/content_policy.h"
#include "report/curve_chart.h"
#include "report/data_check.h"
#include "report/figure_scale.h"
#include "report/html_text.h"
#include "report/legend_html.h"
#include "report/map_geometry.h"
#include "report/map_svg.h"
#include "base/number_text.h"
#include "report/page_assets.h"
#include "report/panels_html.h"
#include "report/script_data.h"

namespace report {

namespace {

constexpr std::string_view kDefaultTitle = "Sensor placement report";

struct Page {
    const ReportData& data;
    std::optional<MapFrame> frame;
    std::vector<FigureScale> scales;
};

std::string_view Title(const ReportData& data) { return data.title.empty() ? kDefaultTitle : data.title; }

void AppendHead(std::string& out, const ReportData& data) {
    out += "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"";
    out += ContentSecurityPolicy();
    out += "\"><meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
           "<meta name=\"generator\" content=\"Tesmar\"><title>";
    if (!data.networkName.empty()) {
        AppendHtml(out, data.networkName);
        out += " \u2014 ";
    }
    AppendHtml(out, Title(data));
    out += "</title><link rel=\"icon\" href=\"data:,\"><style>";
    out += PageStyle().text;
    out += "</style></head>";
}

template <class Predicate>
long long CountIf(const auto& items, Predicate predicate) {
    long long count = 0;
    for (const auto& item : items) count += predicate(item) ? 1 : 0;
    return count;
}

// Kinds the network lacks are left out; nodes, links and sensors always show.
void AppendFact(std::string& out, long long count, std::string_view one, std::string_view many, bool always = false) {
    if (count == 0 && !always) return;
    out.append("<li><b>").append(base::GroupedCountText(count)).append("</b> ").append(count == 1 ? one : many).append("</li>");
}

void AppendHeader(std::string& out, const ReportData& data) {
    out += "<header class=\"page-head\"><div class=\"head-inner\"><p class=\"kicker\">";
    AppendHtml(out, Title(data));
    out += "</p><h1>";
    AppendHtml(out, data.networkName.empty() ? "Unnamed network" : data.networkName);
    out += "</h1><ul class=\"facts\">";
    auto nodes = [&](NodeKind kind) { return CountIf(data.nodes, [&](const MapNode& n) { return n.kind == kind; }); };
    auto links = [&](LinkKind kind) { return CountIf(data.links, [&](const MapLink& l) { return l.kind == kind; }); };
    AppendFact(out, static_cast<long long>(data.nodes.size()), "node", "nodes", true);
    AppendFact(out, static_cast<long long>(data.links.size()), "link", "links", true);
    AppendFact(out, static_cast<long long>(data.sensors.size()), "sensor", "sensors", true);
    AppendFact(out, nodes(NodeKind::Reservoir), "reservoir", "reservoirs");
    AppendFact(out, nodes(NodeKind::Tank), "tank", "tanks");
    AppendFact(out, links(LinkKind::Pump), "pump", "pumps");
    AppendFact(out, links(LinkKind::Valve), "valve", "valves");
    out += "</ul></div></header>";
}

void AppendMapTools(std::string& out) {
    out += "<div class=\"map-tools\"><form id=\"find-form\" role=\"search\">"
           "<input id=\"find-input\" type=\"search\" placeholder=\"Find node ID\" aria-label=\"Find node ID\">"
           "<button type=\"submit\">Find</button></form>"
           "<div class=\"zoom\"><button type=\"button\" id=\"zoom-in\" title=\"Zoom in\">+</button>"
           "<button type=\"button\" id=\"zoom-out\" title=\"Zoom out\">\u2212</button>"
           "<button type=\"button\" id=\"zoom-fit\" title=\"Show the whole network\">Fit</button></div></div>";
}

// What the map leaves out: nodes (and so links and sensors) without coordinates.
void AppendMapNotes(std::string& out, const ReportData& data) {
    auto placed = [&](int n) { return MapFrame::HasPosition(data.nodes[static_cast<std::size_t>(n)]); };
    long long nodes = CountIf(data.nodes, [](const MapNode& n) { return !MapFrame::HasPosition(n); });
    long long links = CountIf(data.links, [&](const MapLink& l) { return !placed(l.from) || !placed(l.to); });
    if (nodes > 0) {
        out += "<p class=\"map-note\">" + base::GroupedCountText(nodes) + " of " +
               base::GroupedCountText(static_cast<long long>(data.nodes.size())) + " nodes have no coordinates and are not on the map";
        if (links > 0) out += ", nor are the " + base::GroupedCountText(links) + " links that end at them";
        out += ".</p>";
    }
    for (int n : data.sensors) {
        if (placed(n)) continue;
        out += "<p class=\"map-note\">Sensor ";
        AppendHtml(out, data.nodes[static_cast<std::size_t>(n)].id);
        out += " has no coordinates and is not on the map.</p>";
    }
}

void AppendNoMap(std::string& out, const ReportData& data) {
    bool anyPosition = CountIf(data.nodes, [](const MapNode& n) { return MapFrame::HasPosition(n); }) > 0;
    out += "<div class=\"no-map\" id=\"no-map\"><p><strong>No map</strong>";
    out += anyPosition ? "All nodes of this network have the same coordinates, so no map can be drawn."
                       : "This network has no node coordinates, so no map can be drawn.";
    out += " Everything else in the report is complete.</p></div>";
}

void AppendMapCard(std::string& out, const Page& page) {
    out += "<section class=\"card map-card\" id=\"map-card\"><div class=\"card-head\"><h2>Network map</h2>";
    if (!page.frame) {
        out += "</div>";
        AppendNoMap(out, page.data);
        out += "</section>";
        return;
    }
    AppendMapTools(out);
    out += "</div><div class=\"map-box\" id=\"map-box\" tabindex=\"-1\"><p class=\"find-status\" id=\"find-status\" role=\"status\"></p>";
    AppendMapSvg(out, page.data, *page.frame, page.scales);
    out += "<div class=\"tooltip\" id=\"tooltip\" hidden></div></div>"
           "<p class=\"hint\">Drag to pan, scroll or use + and \u2212 to zoom, point at a node for its figures, "
           "click it to keep them. The address remembers the figure shown: #figure=N, and #node=ID finds a node.</p>";
    AppendMapNotes(out, page.data);
    out += "</section>";
}

void AppendManifest(std::string& out, const ReportData& data) {
    if (data.manifest.empty()) return;
    out += "<section class=\"card wide\" id=\"manifest\"><h2>Build parameters</h2>"
           "<p class=\"sub\">What the scenario matrices were built from.</p>";
    AppendKeyValueTable(out, data.manifest);
    out += "</section>";
}

void AppendBody(std::string& out, const Page& page) {
    const ReportData& data = page.data;
    out += "<body>";
    AppendHeader(out, data);
    out += "<main class=\"layout\">";
    AppendMapCard(out, page);
    out += "<aside class=\"side\">";
    if (page.frame) AppendLegend(out, data, page.scales);
    AppendSensorPanel(out, data, page.frame.has_value());
    AppendFitnessPanel(out, data);
    out += "</aside>";
    if (data.curve) AppendCurvePanel(out, *data.curve, data.objectiveLabel, static_cast<int>(data.sensors.size()));
    AppendManifest(out, data);
    AppendNotesPanel(out, data.notes);
    out += "</main><footer class=\"page-foot\">";
    AppendHtml(out, data.generated.empty() ? std::string("Made with Tesmar") : data.generated);
    out += "</footer><script type=\"application/json\" id=\"report-data\">";
    AppendScriptData(out, data, page.frame);
    out += "</script><script>";
    out += PageScript().text;
    out += "</script></body></html>\n";
}

std::size_t ExpectedSize(const ReportData& data) {
    return 64 * 1024 + data.nodes.size() * 80 + data.links.size() * 30;
}

}  // namespace

std::string RenderHtml(const ReportData& data) {
    CheckReportData(data);
    Page page{data, MapFrame::Fit(data), {}};
    for (const NodeFigure& figure : data.figures) page.scales.push_back(ScaleFigure(figure));
    std::string out;
    out.reserve(ExpectedSize(data));
    AppendHead(out, data);
    AppendBody(out, page);
    return out;
}

}  // namespace report
