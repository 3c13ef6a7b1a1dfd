// The toolkit session of one event in the reference procedure: the network
// is opened, every node made a mass-booster source of strength 0, and the
// hydraulics solved, for every event anew; every recorded step is read node
// by node.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

class ReferenceSession {
public:
    ReferenceSession(const network::Network& net, const RunParameters& parameters, bool acceptWarnings = false);

    void SetSourceQuality(int node, float strength);
    void OpenQuality();
    long RunQ() { return project_.RunQ(); }
    long StepQ() { return project_.StepQ(); }
    void ReadQuality(std::vector<float>& concentration);
    void CloseQuality() { project_.CloseQ(); }
    void Close() { project_.Close(); }
    // Every recorded step is read in the reference procedure.
    bool BackgroundIsZero(std::int32_t) const { return false; }
    // And every event runs to its end.
    bool CarriesNoContaminant() const { return false; }

private:
    std::vector<int> warnings_;  // accepted, as the baseline run reported them
    network::Project project_;
    std::int32_t nNodes_;
};

}  // namespace builder
