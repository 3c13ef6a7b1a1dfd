// The baseline run: the clean network's junction demands at every recorded
// quality step, and from them each node's daily volume and served population.
#pragma once

#include <cstdint>
#include <vector>

#include "builder/flow_units.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

struct Baseline {
    std::int32_t nSteps = 0;   // recorded steps are 0..nSteps
    std::int32_t nNodes = 0;
    // BaseDemand of step s and node n at s * (nNodes + 1) + n, in flow units.
    std::vector<float> BaseDemand;
    std::vector<float> DailyVolume, Population, VolumePerMinute;  // indexed 1..nNodes
    // The recorded steps a quality run of the network reaches, in order;
    // sources change no time step, so every event's run reaches the same.
    std::vector<std::int32_t> RecordedSteps;
    // Whether an event may end once its sources are spent and no node or
    // link carries contaminant: the clean network carries none at any
    // recorded step (nothing in it makes contaminant) and every tank is
    // completely mixed (no tank holds water its node's quality does not show).
    bool CleanIsFinal = false;

    float Demand(std::int32_t s, std::int32_t n) const {
        if (s < 0 || s > nSteps) return 0.0f;
        return BaseDemand[static_cast<std::size_t>(s) * (nNodes + 1) + n];
    }

    // The demands of step s indexed by node, or nullptr for a step beyond the run.
    const float* DemandRow(std::int32_t s) const {
        if (s < 0 || s > nSteps) return nullptr;
        return BaseDemand.data() + static_cast<std::size_t>(s) * (nNodes + 1);
    }
};

// Number of recorded steps for the run parameters: (3600 / QualStep) x hours, rounded.
std::int32_t StepCount(std::int32_t qualStep, std::int32_t maxSimDuration);

// The simulated duration in seconds: hours x 3600, rounded to 32 bits.
long DurationSeconds(std::int32_t maxSimDuration);

// Simulates the uncontaminated network. With
// warnings given, the toolkit's warnings are recorded there instead of
// failing the run.
Baseline RunBaseline(const network::Network& net, const RunParameters& parameters, const FlowFactors& flow,
                     std::vector<int>* warnings = nullptr);

}  // namespace builder
