// The parts of a network the water-quality transport reads: which node is
// what, how the links join them, the volumes the transport starts from and
// the solver's constants, all in the toolkit's internal units (feet, cubic
// feet, seconds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "network/project.h"

namespace transport {

struct NetworkLayout {
    int nNodes = 0;
    int nLinks = 0;
    std::vector<int> nodeType;        // [1..nNodes]: EN_JUNCTION, EN_RESERVOIR or EN_TANK
    std::vector<int> from, to;        // [1..nLinks]
    std::vector<int> linkType;        // [1..nLinks]
    std::vector<double> pipeVolume;   // [1..nLinks]; 0 for what is not a pipe
    // Tank chains are numbered after the links: node n's is tankChain[n] (0 for others).
    std::vector<int> tankChain;
    std::vector<double> tankInitialVolume, tankMaxVolume;  // [1..nNodes]
    std::vector<int> tankMixing;          // [1..nNodes]: EN_MIX1, EN_MIX2, EN_FIFO or EN_LIFO
    std::vector<double> tankMixFraction;  // [1..nNodes]: the 2COMP mixing zone's share of the full volume
    // [1..nNodes]: the tank ended the hydraulics full. The solver's FIFO and
    // LIFO models test the volume the hydraulics left behind at every step.
    std::vector<std::uint8_t> tankFull;
    // [1..nNodes]: where the clean network's record keeps a 2COMP tank's
    // mixing zone volume (its chain's own place holds the stagnant zone's); 0 for others.
    std::vector<int> mixZoneSlot;
    // The links at each node in the order the toolkit visits them (the
    // last link read first): adjLink[adjStart[n] .. adjStart[n+1]).
    std::vector<int> adjStart, adjLink;
    double tolerance = 0;       // segment tolerance, mass per cubic foot
    double qualityFactor = 0;   // internal concentration to the user's units
    long qualityStep = 0;
    long duration = 0;

    int Chains() const { return nLinks + static_cast<int>(tankCount) + 1; }
    // The volumes a clean network's step holds: one per chain, and a 2COMP tank's mixing zone.
    int CleanSlots() const { return Chains() + twoCompartmentTanks; }
    int tankCount = 0;
    int twoCompartmentTanks = 0;
};

// Numbers the mixing zone slots of the 2COMP tanks in node order.
void AssignMixZoneSlots(NetworkLayout& layout);

// Why the transport would not reproduce the toolkit's solver on the open,
// hydraulically solved project, or "" when it would.
std::string UnsupportedFeature(const network::Project& project);

// Reads the layout of a project UnsupportedFeature accepted.
NetworkLayout ReadLayout(const network::Project& project);

}  // namespace transport
