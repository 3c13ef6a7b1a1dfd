#include "transport/network_layout.h"

#include <cmath>

namespace transport {

namespace {

// The toolkit reports a diameter in inches and keeps it in feet.
constexpr double kInchesPerFoot = 12.0;
constexpr double kLitresPerCubicFoot = 28.317;

bool UsUnits(int flowUnits) { return flowUnits >= EN_CFS && flowUnits <= EN_AFD; }

std::string NodeFeature(const network::Project& project, int n) {
    const int type = project.NodeType(n);
    if (project.NodeValue(n, EN_INITQUAL) != 0.0) return "a node with a non-zero initial quality";
    if (project.NodeValue(n, EN_SOURCEPAT) != 0.0) return "a quality source with a time pattern";
    if (type != EN_TANK) return "";
    if (project.NodeValue(n, EN_MIXMODEL) != static_cast<double>(EN_MIX1)) return "a tank mixing model other than complete mixing";
    if (project.NodeValue(n, EN_TANK_KBULK) != 0.0) return "non-zero reaction coefficients";
    return "";
}

}  // namespace

std::string UnsupportedFeature(const network::Project& project) {
    if (project.Quality().type != EN_CHEM) return "a quality analysis other than a chemical";
    if (!UsUnits(project.FlowUnits())) return "SI flow units";
    const double tolerance = project.Option(EN_TOLERANCE);
    if (!(tolerance > 0.0)) return "a quality tolerance of zero";
    const int nNodes = project.Count(EN_NODECOUNT), nLinks = project.Count(EN_LINKCOUNT);
    std::vector<double> bulk(static_cast<std::size_t>(nLinks)), wall(bulk.size()), diameter(bulk.size());
    project.LinkValues(EN_KBULK, bulk.data());
    project.LinkValues(EN_KWALL, wall.data());
    project.LinkValues(EN_DIAMETER, diameter.data());
    for (int k = 1; k <= nLinks; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        const int type = project.LinkType(k);
        if (type <= EN_PIPE && (bulk[i] != 0.0 || wall[i] != 0.0)) return "non-zero reaction coefficients";
        // The diameter must come back to the value the toolkit keeps.
        if (type == EN_PIPE && diameter[i] / kInchesPerFoot * kInchesPerFoot != diameter[i])
            return "a pipe diameter not kept exactly";
        const auto [a, b] = project.LinkNodes(k);
        if (a == b) return "a link from a node to itself";
    }
    for (int n = 1; n <= nNodes; ++n)
        if (std::string feature = NodeFeature(project, n); !feature.empty()) return feature;
    return "";
}

NetworkLayout ReadLayout(const network::Project& project) {
    NetworkLayout layout;
    const int nNodes = layout.nNodes = project.Count(EN_NODECOUNT);
    const int nLinks = layout.nLinks = project.Count(EN_LINKCOUNT);
    const auto nodeSlots = static_cast<std::size_t>(nNodes) + 1, linkSlots = static_cast<std::size_t>(nLinks) + 1;
    layout.nodeType.assign(nodeSlots, EN_JUNCTION);
    layout.tankChain.assign(nodeSlots, 0);
    layout.tankInitialVolume.assign(nodeSlots, 0.0);
    layout.tankMaxVolume.assign(nodeSlots, 0.0);
    for (int n = 1; n <= nNodes; ++n) {
        const int type = layout.nodeType[static_cast<std::size_t>(n)] = project.NodeType(n);
        if (type != EN_TANK) continue;
        layout.tankChain[static_cast<std::size_t>(n)] = nLinks + ++layout.tankCount;
        layout.tankInitialVolume[static_cast<std::size_t>(n)] = project.NodeValue(n, EN_INITVOLUME);
        layout.tankMaxVolume[static_cast<std::size_t>(n)] = project.NodeValue(n, EN_MAXVOLUME);
    }
    std::vector<double> length(linkSlots - 1), diameter(linkSlots - 1);
    project.LinkValues(EN_LENGTH, length.data());
    project.LinkValues(EN_DIAMETER, diameter.data());
    layout.from.assign(linkSlots, 0);
    layout.to.assign(linkSlots, 0);
    layout.linkType.assign(linkSlots, 0);
    layout.pipeVolume.assign(linkSlots, 0.0);
    std::vector<int> degree(nodeSlots + 1, 0);
    for (int k = 1; k <= nLinks; ++k) {
        const auto i = static_cast<std::size_t>(k);
        std::tie(layout.from[i], layout.to[i]) = project.LinkNodes(k);
        layout.linkType[i] = project.LinkType(k);
        if (layout.linkType[i] == EN_PIPE) {
            const double d = diameter[i - 1] / kInchesPerFoot;
            layout.pipeVolume[i] = 0.785398 * length[i - 1] * (d * d);
        }
        ++degree[static_cast<std::size_t>(layout.from[i])];
        ++degree[static_cast<std::size_t>(layout.to[i])];
    }
    layout.adjStart.assign(nodeSlots + 1, 0);
    for (int n = 1; n <= nNodes; ++n)
        layout.adjStart[static_cast<std::size_t>(n) + 1] = layout.adjStart[static_cast<std::size_t>(n)] + degree[static_cast<std::size_t>(n)];
    layout.adjLink.assign(static_cast<std::size_t>(layout.adjStart[nodeSlots]), 0);
    std::vector<int> fill(layout.adjStart.begin(), layout.adjStart.end() - 1);
    for (int k = nLinks; k >= 1; --k) {
        const auto i = static_cast<std::size_t>(k);
        layout.adjLink[static_cast<std::size_t>(fill[static_cast<std::size_t>(layout.to[i])]++)] = k;
        layout.adjLink[static_cast<std::size_t>(fill[static_cast<std::size_t>(layout.from[i])]++)] = k;
    }
    layout.qualityFactor = 1.0 / kLitresPerCubicFoot;
    layout.tolerance = project.Option(EN_TOLERANCE) / layout.qualityFactor;
    layout.qualityStep = project.TimeParam(EN_QUALSTEP);
    layout.duration = project.TimeParam(EN_DURATION);
    return layout;
}

}  // namespace transport
