#include "report/script_data.h"

#include <cmath>

#include "base/json_writer.h"
#include "base/number_text.h"
#include "report/html_text.h"
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

void WriteNodes(base::JsonWriter& json, const ReportData& data, const MapFrame& frame) {
    json.Key("ids").BeginArray();
    for (const MapNode& node : data.nodes) json.String(node.id);
    std::string kinds;
    kinds.reserve(data.nodes.size());
    for (const MapNode& node : data.nodes) kinds += KindLetter(node.kind);
    json.EndArray().Key("kinds").String(kinds).Key("xy").BeginArray();
    for (const MapNode& node : data.nodes) {
        if (!MapFrame::HasPosition(node)) {
            json.Null().Null();
            continue;
        }
        CanvasPoint p = frame.At(node.x, node.y);
        base::AppendHundredths(json.NextValue(), p.x);
        base::AppendHundredths(json.NextValue(), p.y);
    }
    json.EndArray();
}

void WriteFigures(base::JsonWriter& json, const ReportData& data) {
    json.Key("figures").BeginArray();
    for (const NodeFigure& figure : data.figures) {
        json.BeginObject().Key("name").String(figure.name).Key("unit").String(figure.unit).Key("values").BeginArray();
        for (double value : figure.values) {
            if (std::isfinite(value))
                base::AppendPlainSignificantText(json.NextValue(), value, kShownDigits);
            else
                json.Null();
        }
        json.EndArray().EndObject();
    }
    json.EndArray();
}

}  // namespace

void AppendScriptData(std::string& out, const ReportData& data, const std::optional<MapFrame>& frame) {
    base::JsonWriter json(base::JsonWriter::Spacing::Compact);
    json.BeginObject().Key("map").Bool(frame.has_value());
    if (frame) {
        WriteNodes(json, data, *frame);
        WriteFigures(json, data);
        json.Key("sensors").BeginArray();
        for (auto sensor : data.sensors) json.Literal(std::to_string(sensor));
        json.EndArray();
    }
    out += json.EndObject().Text();
}

}  // namespace report
