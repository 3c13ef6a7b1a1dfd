#include "transport/shared_transport.h"

#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "base/memory_file.h"
#include "transport/engine.h"

namespace transport {

namespace {

// A period's plan, and the period it is made from while the two are held at once.
std::size_t PeriodBytes(const NetworkLayout& l) {
    const auto nodes = static_cast<std::size_t>(l.nNodes) + 1, links = static_cast<std::size_t>(l.nLinks) + 1;
    const std::size_t plan = nodes * (sizeof(NodeVisit) + sizeof(int)) + l.adjLink.size() * sizeof(LinkStep);
    const std::size_t period = links * (sizeof(double) + 2) + nodes * (3 * sizeof(int) + 2 * sizeof(double)) +
                               l.adjLink.size() * sizeof(int);
    return plan + period;
}

std::string Megabytes(std::size_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// The hydraulics the solver reads back, through an in-memory copy of the toolkit's file.
std::vector<HydraulicPeriod> SavedHydraulics(const network::Project& project, const NetworkLayout& layout) {
    const base::MemoryFile copy("the hydraulic results");
    project.SaveHydraulics(copy.Path());
    return ReadHydraulicsFile(copy.Path(), layout.nNodes, layout.nLinks);
}

// Runs the clean network as the builder's quality loop does, keeping the
// volumes every transport step starts from.
void RunCleanNetwork(SharedTransport& shared) {
    std::vector<double> record;
    Engine clean(shared, record);
    long left = 0;
    do {
        clean.RunQ();
        left = clean.StepQ();
    } while (left != 0);
    shared.steps = record.size() / shared.chains;
    shared.cleanVolume = std::move(record);
}

}  // namespace

std::size_t SharedTransport::Bytes() const {
    std::size_t bytes = cleanVolume.capacity() * sizeof(double) +
                        (layout.adjLink.size() + 4 * static_cast<std::size_t>(layout.nLinks) +
                         6 * static_cast<std::size_t>(layout.nNodes)) * sizeof(double) +
                        (numbering.node.capacity() + numbering.link.capacity() + numbering.toolkitNode.capacity()) *
                            sizeof(int);
    for (const PeriodPlan& plan : periods) bytes += plan.Bytes();
    return bytes;
}

std::size_t AvailableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::size_t kb = 0;
    std::string unit;
    while (meminfo >> key >> kb >> unit)
        if (key == "MemAvailable:") return kb * 1024;
    return static_cast<std::size_t>(::sysconf(_SC_PHYS_PAGES)) * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

TransportPreparation PrepareTransport(const network::Project& project, std::size_t memoryLimit) {
    TransportPreparation prep;
    prep.fallbackReason = UnsupportedFeature(project);
    if (!prep.fallbackReason.empty()) return prep;
    SharedTransport& shared = prep.shared;
    const NetworkLayout layout = ReadLayout(project);
    shared.chains = static_cast<std::size_t>(layout.CleanSlots());
    std::vector<HydraulicPeriod> hydraulics = SavedHydraulics(project, layout);
    // Every quality step, and one more wherever a hydraulic period starts inside one.
    const std::size_t steps = static_cast<std::size_t>(layout.duration / layout.qualityStep) + hydraulics.size() + 1;
    const std::size_t needed = steps * shared.chains * sizeof(double) + hydraulics.size() * PeriodBytes(layout);
    if (needed > memoryLimit)
        throw MemoryRefusal("the network needs " + Megabytes(needed) +
                            " of memory for the transport data its workers share, and " + Megabytes(memoryLimit) +
                            " are available");
    try {
        std::vector<FlowPeriod> flows = MakeFlowPeriods(layout, std::move(hydraulics));
        if (flows.empty()) throw std::runtime_error("the hydraulics hold no period");
        shared.numbering = NumberAlongFlow(layout, flows.front());
        shared.layout = Renumbered(layout, shared.numbering);
        shared.periods.reserve(flows.size());
        for (FlowPeriod& flow : flows) {
            shared.periods.push_back(MakePeriodPlan(flow, layout, shared.numbering));
            flow = {};
        }
        RunCleanNetwork(shared);
    } catch (const std::runtime_error& e) {
        prep.fallbackReason = e.what();
        prep.shared = {};
    }
    return prep;
}

}  // namespace transport
