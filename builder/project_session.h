// A worker's toolkit session: one project whose hydraulics are solved once
// and reused for event after event. Contaminant sources do not change the
// hydraulics, so only the water-quality simulation is repeated per event.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

class ProjectSession {
public:
    // Opens the network to solve it, makes every node a source of strength 0,
    // solves the hydraulics and runs the water quality of the clean network
    // over its first day.
    ProjectSession(const network::Network& net, const RunParameters& parameters, bool acceptWarnings = false);
    ProjectSession(const ProjectSession&) = delete;
    ProjectSession& operator=(const ProjectSession&) = delete;

    // Switches off every source the previous event switched on.
    void BeginEvent();

    void SetSourceQuality(int node, float strength);
    void OpenQuality();
    long RunQ() { return project_.RunQ(); }
    long StepQ() { return project_.StepQ(); }
    void ReadQuality(std::vector<float>& concentration);
    // Whether no node (as last read) and no link carries contaminant.
    bool CarriesNoContaminant();
    void CloseQuality() { project_.CloseQ(); }

    // Whether every node's concentration is exactly 0 at recorded step s of
    // the clean network's run. The toolkit repeats a run exactly, so an event
    // sees the same concentrations until its first source is switched on.
    // Steps beyond the clean run's first day count as not known to be clean.
    bool BackgroundIsZero(std::int32_t s) const {
        return s >= 0 && static_cast<std::size_t>(s) < cleanSteps_.size() && cleanSteps_[static_cast<std::size_t>(s)];
    }

private:
    void RunBackground();

    std::vector<int> warnings_;  // accepted, as the baseline run reported them
    network::Project project_;
    std::int32_t qualStep_;
    std::vector<double> values_;      // node qualities as last read
    std::vector<double> linkValues_;
    std::vector<int> switchedOn_;
    std::vector<bool> cleanSteps_;  // by recorded step: no node carries contaminant
};

}  // namespace builder
