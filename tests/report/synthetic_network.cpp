#include "synthetic_network.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>

namespace testing_support {

namespace {

using report::LinkKind;
using report::NodeKind;

constexpr double kSpacing = 100;  // network units between grid neighbours

std::string Named(std::string_view prefix, int number) {
    std::string name(prefix);
    name += std::to_string(number);
    return name;
}

void PlaceNodes(report::ReportData& data, const NetworkShape& shape, int columns, std::mt19937& random) {
    std::uniform_real_distribution<double> jitter(-30, 30);
    int tankEvery = shape.tanks > 0 ? shape.nodes / (shape.tanks + 1) : 0;
    for (int n = 0; n < shape.nodes; ++n) {
        report::MapNode node;
        node.x = (n % columns) * kSpacing + jitter(random);
        node.y = (n / columns) * kSpacing + jitter(random);
        if (n < shape.reservoirs) {
            node.kind = NodeKind::Reservoir;
            node.id = Named("R", n + 1);
        } else if (tankEvery > 0 && n % tankEvery == tankEvery / 2 && n / tankEvery < shape.tanks) {
            node.kind = NodeKind::Tank;
            node.id = Named("T", n / tankEvery + 1);
        } else {
            node.id = Named("J", n + 1);
        }
        data.nodes.push_back(std::move(node));
    }
}

// Each row's horizontal neighbours and the first column's vertical ones join
// every node; the other vertical neighbours, in shuffled order, add loops.
std::vector<std::pair<int, int>> MeshPairs(const NetworkShape& shape, int columns, std::mt19937& random) {
    std::vector<std::pair<int, int>> tree, loops;
    for (int n = 0; n < shape.nodes; ++n) {
        bool rowStart = n % columns == 0;
        if (!rowStart) tree.emplace_back(n - 1, n);
        if (n >= columns) (rowStart ? tree : loops).emplace_back(n - columns, n);
    }
    std::shuffle(loops.begin(), loops.end(), random);
    if (shape.links < static_cast<int>(tree.size()) || shape.links > static_cast<int>(tree.size() + loops.size()))
        throw std::invalid_argument("a grid network of this many nodes cannot have that many links");
    tree.insert(tree.end(), loops.begin(), loops.begin() + (shape.links - static_cast<int>(tree.size())));
    return tree;
}

void AddLinks(report::ReportData& data, const NetworkShape& shape, int columns, std::mt19937& random) {
    std::uniform_real_distribution<double> unit(0, 1);
    auto pairs = MeshPairs(shape, columns, random);
    int special = shape.pumps + shape.valves;
    int specialEvery = special > 0 ? static_cast<int>(pairs.size()) / (special + 1) : 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        report::MapLink link;
        link.from = pairs[i].first;
        link.to = pairs[i].second;
        int slot = specialEvery > 0 && i % specialEvery == 0 ? static_cast<int>(i) / specialEvery : 0;
        if (slot >= 1 && slot <= shape.pumps) {
            link.kind = LinkKind::Pump;
            link.id = Named("PU", slot);
        } else if (slot > shape.pumps && slot <= special) {
            link.kind = LinkKind::Valve;
            link.id = Named("V", slot - shape.pumps);
        } else {
            link.id = Named("P", static_cast<int>(i) + 1);
        }
        if (link.kind == LinkKind::Pipe && unit(random) < shape.bentShare) {
            const report::MapNode& a = data.nodes[link.from];
            const report::MapNode& b = data.nodes[link.to];
            int bends = 1 + static_cast<int>(unit(random) * 3);
            for (int k = 1; k <= bends; ++k) {
                double t = static_cast<double>(k) / (bends + 1);
                double bulge = 25 * std::sin(3.14159 * t);
                link.vertices.emplace_back(a.x + t * (b.x - a.x) + bulge, a.y + t * (b.y - a.y) - bulge);
            }
        }
        data.links.push_back(std::move(link));
    }
}

// Detection share rises towards the network's middle; nodes that detect
// nothing have no time to detection.
void AddFigures(report::ReportData& data, std::mt19937& random) {
    std::uniform_real_distribution<double> noise(-0.12, 0.12);
    report::NodeFigure detected{"Events detected", "%", {}, true};
    report::NodeFigure time{"Mean time to detection", "min", {}, false};
    double midX = 0, midY = 0, reach = 1;
    for (const auto& node : data.nodes) midX = std::max(midX, node.x / 2), midY = std::max(midY, node.y / 2);
    reach = std::hypot(midX, midY) + 1;
    for (std::size_t n = 0; n < data.nodes.size(); ++n) {
        const auto& node = data.nodes[n];
        double share = std::clamp(0.9 - std::hypot(node.x - midX, node.y - midY) / reach + noise(random), 0.0, 1.0);
        if (n % 17 == 5) share = 0;
        detected.values.push_back(std::round(share * 1000) / 10);
        time.values.push_back(share == 0 ? report::kNoValue : 30 + 600 * (1 - share) + 40 * noise(random));
    }
    data.figures = {detected, time};
}

void AddPlacement(report::ReportData& data, const NetworkShape& shape) {
    // Spread over rows and columns alike.
    for (int s = 0; s < shape.sensors; ++s)
        data.sensors.push_back(((2 * s + 1) * shape.nodes / (2 * shape.sensors) + 7 * s) % shape.nodes);
    std::vector<report::CurvePoint> curve;
    for (int s = 1; s <= 10; ++s) {
        double value = 150 + 900 * std::exp(-0.3 * s);
        curve.push_back({s, value, s == 9 ? report::kNoValue : value * (1 - 0.015 * s)});
    }
    data.curve = curve;
    data.objectiveLabel = "Mean time to detection (min)";
    data.fitnessLines = {"Z1 = 371.886  (SD = 281.472)", "Z2 = 1204.5  (SD = 2210.07)",
                         "Z3 = 88412.1  (SD = 101250.3)", "Z4 = 0.85  (245/288)"};
    data.tailFigures = {{"VaR 95 %", "812.5 min"}, {"CVaR 95 %", "955.25 min"}, {"Worst case", "1440 min"}};
    data.manifest = {{"Network", "Network_1.inp"},
                     {"Events", "288 (all nodes, 1 time each)"},
                     {"Injection", "1000 mg/min for 60 min"},
                     {"Simulation", "24 h, quality step 5 min"}};
    data.notes = {"The chosen set was optimised for mean time to detection."};
}

}  // namespace

NetworkShape SmallNetwork() { return {}; }

NetworkShape LargeNetwork() {
    NetworkShape shape;
    shape.nodes = 16338;
    shape.links = 21048;
    shape.reservoirs = 4;
    shape.tanks = 6;
    shape.pumps = 9;
    shape.valves = 5;
    shape.sensors = 20;
    return shape;
}

report::ReportData SyntheticReport(const NetworkShape& shape) {
    std::mt19937 random(shape.seed);
    int columns = static_cast<int>(std::ceil(std::sqrt(shape.nodes * 1.5)));
    report::ReportData data;
    data.title = "Sensor placement report";
    data.networkName = "Synthetic_" + std::to_string(shape.nodes) + ".inp";
    data.generated = "Tesmar test, fixed date";
    PlaceNodes(data, shape, columns, random);
    AddLinks(data, shape, columns, random);
    AddFigures(data, random);
    AddPlacement(data, shape);
    return data;
}

report::ReportData WithoutCoordinates(report::ReportData data) {
    for (auto& node : data.nodes) node.x = node.y = report::kNoValue;
    for (auto& link : data.links) link.vertices.clear();
    return data;
}

}  // namespace testing_support
