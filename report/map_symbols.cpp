#include "report/map_symbols.h"

namespace report {

std::string_view SymbolOf(NodeKind kind) {
    switch (kind) {
        case NodeKind::Reservoir: return "sym-reservoir";
        case NodeKind::Tank: return "sym-tank";
        case NodeKind::Junction: break;
    }
    return "";
}

std::string_view SymbolOf(LinkKind kind) {
    switch (kind) {
        case LinkKind::Pump: return "sym-pump";
        case LinkKind::Valve: return "sym-valve";
        case LinkKind::Pipe: break;
    }
    return "";
}

// Reservoir: open square; tank: open circle with a water line, both leaving
// the node's coloured dot visible. Pump: disc with an arrow along the flow;
// valve: two triangles tip to tip. Symbols point along +x, the map turns them.
void AppendSymbolDefs(std::string& out) {
    out += "<defs>"
           "<g id=\"sym-reservoir\" class=\"sym node-sym\"><rect x=\"-9\" y=\"-9\" width=\"18\" height=\"18\" rx=\"2\"/>"
           "<path d=\"M-9 4.5h18\"/></g>"
           "<g id=\"sym-tank\" class=\"sym node-sym\"><circle r=\"9.5\"/><path d=\"M-8.2 4.8h16.4\"/></g>"
           "<g id=\"sym-pump\" class=\"sym link-sym\"><circle r=\"7.5\"/><path class=\"fill\" d=\"M-3.5 -4.5L5 0L-3.5 4.5Z\"/></g>"
           "<g id=\"sym-valve\" class=\"sym link-sym\"><path class=\"fill\" d=\"M-8 -5.5L0 0L-8 5.5ZM8 -5.5L0 0L8 5.5Z\"/></g>"
           "<g id=\"sym-sensor\" class=\"sym sensor-sym\"><circle class=\"halo\" r=\"10\"/><circle r=\"10\"/></g>"
           "</defs>";
}

void AppendSymbolIcon(std::string& out, std::string_view symbol) {
    out += "<svg class=\"icon\" viewBox=\"-13 -13 26 26\" aria-hidden=\"true\"><use href=\"#";
    out += symbol;
    out += "\"/></svg>";
}

}  // namespace report
