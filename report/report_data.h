// Everything a report page is drawn from, as plain values: the network's
// map, figures per node, the chosen sensors and what is known about them.
// The caller fills it from whatever it loaded; the renderer reads nothing else.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace report {

enum class NodeKind { Junction, Reservoir, Tank };
enum class LinkKind { Pipe, Pump, Valve };

inline constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

// x and y in the network's own units, NaN when the network gives the node
// no coordinates. Nodes without coordinates are left off the map; a network
// where no node has any gets a page without a map.
struct MapNode {
    std::string id;
    NodeKind kind = NodeKind::Junction;
    double x = kNoValue;
    double y = kNoValue;
};

struct MapLink {
    std::string id;
    LinkKind kind = LinkKind::Pipe;
    int from = 0;  // position in ReportData::nodes
    int to = 0;
    std::vector<std::pair<double, double>> vertices;  // interior points, in order from -> to
};

// One value per node, NaN where the figure has none (for example a node that
// detects no event has no mean time to detection).
struct NodeFigure {
    std::string name;  // "Events detected"
    std::string unit;  // "%", "min"; empty for a plain number
    std::vector<double> values;
    bool higherIsBetter = true;  // decides which end of the colour scale means good
};

// One point of the trade-off curve: the best value found with this many
// sensors and the proven bound on the best possible one (NaN when none).
struct CurvePoint {
    int sensors = 0;
    double value = kNoValue;
    double bound = kNoValue;
};

using KeyValues = std::vector<std::pair<std::string, std::string>>;

struct ReportData {
    std::string title;        // "Sensor placement report"
    std::string networkName;  // "Network_1.inp"
    std::string generated;    // footer line, e.g. "Tesmar 1.0.0, 2024-06-01 14:03"; may be empty

    std::vector<MapNode> nodes;
    std::vector<MapLink> links;
    std::vector<NodeFigure> figures;  // the first one colours the map when the page opens
    std::vector<int> sensors;         // positions in nodes, each at most once

    std::optional<std::vector<CurvePoint>> curve;  // present when the report optimised
    std::string objectiveLabel;                    // the curve's value axis: "Mean time to detection (min)"

    std::vector<std::string> fitnessLines;  // "Z1 = 371.886  (SD = 281.472)"
    KeyValues tailFigures;                  // {"VaR 95 %", "812.5"}
    KeyValues manifest;                     // what the matrices were built from
    std::vector<std::string> notes;         // shown as they are, one paragraph each
};

}  // namespace report
