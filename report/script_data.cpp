#include "report/script_data.h"

#include <cmath>

#include "network/user_text.h"
#include "report/html_text.h"
#include "base/number_text.h"
#include "report/shown_digits.h"

namespace report {

namespace {

char KindLetter(NodeKind kind) {
    switch (kind) {
        case NodeKind::Reservoir: return 'R';
        case NodeKind::Tank: return 'T';
        case NodeKind::Junction: break;
    }
    return 'J';
}

void AppendNodes(std::string& out, const ReportData& data, const MapFrame& frame) {
    out += "\"ids\":[";
    for (std::size_t n = 0; n < data.nodes.size(); ++n) {
        if (n > 0) out += ',';
        network::AppendJsonString(out, data.nodes[n].id);
    }
    out += "],\"kinds\":\"";
    for (const MapNode& node : data.nodes) out += KindLetter(node.kind);
    out += "\",\"xy\":[";
    for (std::size_t n = 0; n < data.nodes.size(); ++n) {
        if (n > 0) out += ',';
        const MapNode& node = data.nodes[n];
        if (!MapFrame::HasPosition(node)) {
            out += "null,null";
            continue;
        }
        CanvasPoint p = frame.At(node.x, node.y);
        base::AppendHundredths(out, p.x);
        out += ',';
        base::AppendHundredths(out, p.y);
    }
    out += ']';
}

void AppendFigures(std::string& out, const ReportData& data) {
    out += ",\"figures\":[";
    for (std::size_t f = 0; f < data.figures.size(); ++f) {
        const NodeFigure& figure = data.figures[f];
        if (f > 0) out += ',';
        out += "{\"name\":";
        network::AppendJsonString(out, figure.name);
        out += ",\"unit\":";
        network::AppendJsonString(out, figure.unit);
        out += ",\"values\":[";
        for (std::size_t n = 0; n < figure.values.size(); ++n) {
            if (n > 0) out += ',';
            if (std::isfinite(figure.values[n]))
                base::AppendPlainSignificantText(out, figure.values[n], kShownDigits);
            else
                out += "null";
        }
        out += "]}";
    }
    out += ']';
}

}  // namespace

void AppendScriptData(std::string& out, const ReportData& data, const std::optional<MapFrame>& frame) {
    if (!frame) {
        out += "{\"map\":false}";
        return;
    }
    out += "{\"map\":true,";
    AppendNodes(out, data, *frame);
    AppendFigures(out, data);
    out += ",\"sensors\":[";
    for (std::size_t s = 0; s < data.sensors.size(); ++s) {
        if (s > 0) out += ',';
        out += std::to_string(data.sensors[s]);
    }
    out += "]}";
}

}  // namespace report
