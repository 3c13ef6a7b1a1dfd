#include "synthetic/uniform_scenarios.h"

#include <random>

namespace synthetic {

ScenarioSet UniformScenarios(const UniformShape& shape) {
    ScenarioSet set(shape.events, shape.nodes);
    std::mt19937_64 random(shape.seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::uniform_int_distribution<int> impact(0, 99), penalty(40, 140);
    for (std::int32_t e = 0; e < shape.events; ++e) {
        bool silent = unit(random) < 0.1;
        std::uint8_t* detected = set.DetectedRow(e);
        float* impacts = set.ImpactRow(e);
        for (std::int32_t n = 0; n < shape.nodes; ++n) {
            detected[n] = !silent && unit(random) < shape.detectShare;
            impacts[n] = detected[n] ? static_cast<float>(impact(random)) : -1.0f;
        }
        set.Undetected(e) = penalty(random);
    }
    return set;
}

}  // namespace synthetic
