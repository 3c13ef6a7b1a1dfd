// The map's symbols for tanks, reservoirs, pumps, valves and sensors,
// defined once in the map and reused by the legend.
#pragma once

#include <string>
#include <string_view>

#include "report/report_data.h"

namespace report {

inline constexpr std::string_view kSensorSymbol = "sym-sensor";

// "" for junctions and pipes, which are drawn as dots and lines.
std::string_view SymbolOf(NodeKind kind);
std::string_view SymbolOf(LinkKind kind);

// The <defs> holding every symbol, centred on the origin, in canvas units.
void AppendSymbolDefs(std::string& out);

// A small inline picture of one symbol for the legend.
void AppendSymbolIcon(std::string& out, std::string_view symbol);

}  // namespace report
