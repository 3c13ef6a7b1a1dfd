// A worker's session on Tesmar's own transport engine: the same calls as a
// toolkit session, answered from the hydraulics and clean network the
// build prepared once for all its workers.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/engine.h"

namespace builder {

class OwnSession {
public:
    explicit OwnSession(const transport::SharedTransport& shared);

    // Switches off every source the previous event switched on.
    void BeginEvent();
    void SetSourceQuality(int node, float strength);
    void OpenQuality() { engine_.Open(); }
    long RunQ() { return engine_.RunQ(); }
    long StepQ() { return engine_.StepQ(); }
    // Reads the nodes NodesReached holds; the others carry none.
    void ReadQuality(std::vector<float>& concentration);
    const base::IndexBits* NodesReached() const { return &engine_.Reached(); }
    bool CarriesNoContaminant() { return engine_.Clean(); }
    void CloseQuality() {}
    // The clean network carries nothing anywhere; the steps answered are
    // those a toolkit session knows as clean (its run's first day).
    bool BackgroundIsZero(std::int32_t s) const;
    std::size_t Bytes() const { return engine_.Bytes(); }

private:
    transport::Engine engine_;
    long qualStep_;
    std::vector<int> switchedOn_;
};

}  // namespace builder
