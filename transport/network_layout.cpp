#include "transport/network_layout.h"

#include <cmath>

#include "transport/internal_units.h"

namespace transport {

namespace {

constexpr double kLitresPerCubicFoot = 28.317;

// The solver's FIFO and LIFO models ask at every step whether the tank's
// volume has reached its maximum, and the volume they see is the one the
// hydraulic run ended with, which is exactly the maximum when the run left
// the tank full (it clamps the volume there) and otherwise lies more than a
// second's flow above the smallest flow the solver counts (1e-6 cfs) below
// it. The toolkit reports that volume only through the tank's head, which
// carries it within a few units in the last place of the head; a volume
// between the two bands cannot be placed.
enum class Fullness { Full, NotFull, Unclear };

Fullness TankFullness(const network::Project& project, int n, double volumeFactor) {
    const std::optional<double> kept = KeptValue(project.NodeValue(n, EN_MAXVOLUME), volumeFactor);
    if (!kept) return Fullness::Unclear;
    const double vmax = *kept;
    const double gap = vmax - project.NodeValue(n, EN_TANKVOLUME) / volumeFactor;
    const bool full = gap <= 1e-12 * vmax;
    const bool notFull = gap > 0.99e-6;
    if (full == notFull) return Fullness::Unclear;
    return full ? Fullness::Full : Fullness::NotFull;
}

std::string NodeFeature(const network::Project& project, int n, const ReportFactors& factors) {
    const int type = project.NodeType(n);
    if (project.NodeValue(n, EN_INITQUAL) != 0.0) return "a node with a non-zero initial quality";
    if (project.NodeValue(n, EN_SOURCEPAT) != 0.0) return "a quality source with a time pattern";
    if (type != EN_TANK) return "";
    if (project.NodeValue(n, EN_TANK_KBULK) != 0.0) return "non-zero reaction coefficients";
    if (!KeptValue(project.NodeValue(n, EN_INITVOLUME), factors.volume) ||
        !KeptValue(project.NodeValue(n, EN_MAXVOLUME), factors.volume))
        return "a tank volume the toolkit's report does not give back exactly";
    const int mixing = static_cast<int>(project.NodeValue(n, EN_MIXMODEL));
    if ((mixing == EN_FIFO || mixing == EN_LIFO) && TankFullness(project, n, factors.volume) == Fullness::Unclear)
        return "a FIFO or LIFO tank left too near its full volume to tell whether it is full";
    return "";
}

}  // namespace

std::string UnsupportedFeature(const network::Project& project) {
    if (project.Quality().type != EN_CHEM) return "a quality analysis other than a chemical";
    const ReportFactors factors = ReportFactorsFor(project.FlowUnits());
    const double tolerance = project.Option(EN_TOLERANCE);
    if (!(tolerance > 0.0)) return "a quality tolerance of zero";
    const int nNodes = project.Count(EN_NODECOUNT), nLinks = project.Count(EN_LINKCOUNT);
    std::vector<double> bulk(static_cast<std::size_t>(nLinks)), wall(bulk.size()), diameter(bulk.size()),
        length(bulk.size());
    project.LinkValues(EN_KBULK, bulk.data());
    project.LinkValues(EN_KWALL, wall.data());
    project.LinkValues(EN_DIAMETER, diameter.data());
    project.LinkValues(EN_LENGTH, length.data());
    for (int k = 1; k <= nLinks; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        const int type = project.LinkType(k);
        if (type <= EN_PIPE && (bulk[i] != 0.0 || wall[i] != 0.0)) return "non-zero reaction coefficients";
        if (type == EN_PIPE && (!KeptValue(diameter[i], factors.diameter) || !KeptValue(length[i], factors.length)))
            return "a pipe size the toolkit's report does not give back exactly";
        const auto [a, b] = project.LinkNodes(k);
        if (a == b) return "a link from a node to itself";
    }
    for (int n = 1; n <= nNodes; ++n)
        if (std::string feature = NodeFeature(project, n, factors); !feature.empty()) return feature;
    return "";
}

void AssignMixZoneSlots(NetworkLayout& layout) {
    layout.mixZoneSlot.assign(layout.tankMixing.size(), 0);
    layout.twoCompartmentTanks = 0;
    const int chains = layout.Chains();
    for (std::size_t n = 1; n < layout.tankMixing.size(); ++n)
        if (layout.tankChain[n] != 0 && layout.tankMixing[n] == EN_MIX2)
            layout.mixZoneSlot[n] = chains + layout.twoCompartmentTanks++;
}

NetworkLayout ReadLayout(const network::Project& project) {
    NetworkLayout layout;
    const ReportFactors factors = ReportFactorsFor(project.FlowUnits());
    const int nNodes = layout.nNodes = project.Count(EN_NODECOUNT);
    const int nLinks = layout.nLinks = project.Count(EN_LINKCOUNT);
    const auto nodeSlots = static_cast<std::size_t>(nNodes) + 1, linkSlots = static_cast<std::size_t>(nLinks) + 1;
    layout.nodeType.assign(nodeSlots, EN_JUNCTION);
    layout.tankChain.assign(nodeSlots, 0);
    layout.tankInitialVolume.assign(nodeSlots, 0.0);
    layout.tankMaxVolume.assign(nodeSlots, 0.0);
    layout.tankMixing.assign(nodeSlots, EN_MIX1);
    layout.tankMixFraction.assign(nodeSlots, 1.0);
    layout.tankFull.assign(nodeSlots, 0);
    for (int n = 1; n <= nNodes; ++n) {
        const int type = layout.nodeType[static_cast<std::size_t>(n)] = project.NodeType(n);
        if (type != EN_TANK) continue;
        layout.tankChain[static_cast<std::size_t>(n)] = nLinks + ++layout.tankCount;
        layout.tankInitialVolume[static_cast<std::size_t>(n)] = *KeptValue(project.NodeValue(n, EN_INITVOLUME), factors.volume);
        layout.tankMaxVolume[static_cast<std::size_t>(n)] = *KeptValue(project.NodeValue(n, EN_MAXVOLUME), factors.volume);
        layout.tankMixing[static_cast<std::size_t>(n)] = static_cast<int>(project.NodeValue(n, EN_MIXMODEL));
        layout.tankMixFraction[static_cast<std::size_t>(n)] = project.NodeValue(n, EN_MIXFRACTION);
        layout.tankFull[static_cast<std::size_t>(n)] = TankFullness(project, n, factors.volume) == Fullness::Full;
    }
    AssignMixZoneSlots(layout);
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
            const double d = *KeptValue(diameter[i - 1], factors.diameter);
            layout.pipeVolume[i] = 0.785398 * *KeptValue(length[i - 1], factors.length) * (d * d);
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
