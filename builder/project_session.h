// A worker's toolkit session: one project whose hydraulics are solved once
// and reused for event after event. Contaminant sources do not change the
// hydraulics, so only the water-quality simulation is repeated per event.
#pragma once

#include <vector>

#include "network/project.h"

namespace builder {

class ProjectSession {
public:
    ProjectSession();  // opens the network, makes every node a source of strength 0, solves hydraulics
    ProjectSession(const ProjectSession&) = delete;
    ProjectSession& operator=(const ProjectSession&) = delete;

    // Switches off every source the previous event switched on.
    void BeginEvent();

    void SetSourceQuality(int node, float strength);
    void OpenQuality();
    long RunQ() { return project_.RunQ(); }
    long StepQ() { return project_.StepQ(); }
    void ReadQuality(std::vector<float>& concentration);
    void CloseQuality() { project_.CloseQ(); }

private:
    network::Project project_;
    std::vector<double> values_;
    std::vector<int> switchedOn_;
};

}  // namespace builder
