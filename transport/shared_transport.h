// What every worker of a build reads and none changes: the network's
// layout, its hydraulic periods as the quality solver works through them,
// and the clean network's pipe and tank volumes at the start of every
// transport step (the clean network carries no contaminant, so its state
// is those volumes alone).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "network/project.h"
#include "transport/network_layout.h"
#include "transport/numbering.h"
#include "transport/period_plan.h"

namespace transport {

struct SharedTransport {
    NetworkLayout layout;  // in the engine's numbering
    Numbering numbering;
    std::vector<PeriodPlan> periods;
    // Volume of chain c (link, or tank after the links, in the engine's numbering) at the start of
    // transport step s at s * chains + c; a negative one: the chain is empty. A 2COMP tank's chain
    // holds its stagnant zone and layout.mixZoneSlot its mixing zone, so chains counts those too.
    std::vector<double> cleanVolume;
    std::size_t chains = 0;
    std::size_t steps = 0;

    const double* CleanVolumes(std::size_t step) const { return cleanVolume.data() + step * chains; }
    // Bytes held.
    std::size_t Bytes() const;
};

// The shared data of a build, or why the build keeps the toolkit's solver.
struct TransportPreparation {
    SharedTransport shared;
    std::string fallbackReason;  // "" when the shared data is ready
};

// A network whose shared data would not fit in the memory available.
class MemoryRefusal : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Prepares the shared data from a project opened and set up for the
// build's events, its hydraulics solved. Throws MemoryRefusal when it
// would need more than memoryLimit bytes.
TransportPreparation PrepareTransport(const network::Project& project, std::size_t memoryLimit);

// The memory this process may still take: what the system reports as available.
std::size_t AvailableMemory();

}  // namespace transport
