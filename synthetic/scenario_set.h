// A scenario set held in plain arrays, as the synthetic generators fill it:
// one detection flag and one impact per event and node, row by event, and
// each event's impact when no sensor detects it.
#pragma once

#include <cstdint>
#include <vector>

#include "optimizer/scenario_data.h"

namespace synthetic {

class ScenarioSet {
public:
    ScenarioSet(std::int32_t events, std::int32_t nodes);

    optimizer::ScenarioData Data() const;
    std::int32_t events() const { return events_; }
    std::int32_t nodes() const { return nodes_; }
    // Share of cells whose flag is set.
    double DetectedShare() const;
    // Events that no node detects.
    std::int32_t UndetectedEvents() const;

    // For the generators: the row of event e, and its undetected impact.
    std::uint8_t* DetectedRow(std::int32_t e) { return detected_.data() + Offset(e); }
    float* ImpactRow(std::int32_t e) { return impact_.data() + Offset(e); }
    double& Undetected(std::int32_t e) { return undetected_[static_cast<std::size_t>(e)]; }

private:
    std::size_t Offset(std::int32_t e) const { return static_cast<std::size_t>(e) * static_cast<std::size_t>(nodes_); }

    std::int32_t events_, nodes_;
    std::vector<std::uint8_t> detected_;
    std::vector<float> impact_;
    std::vector<double> undetected_;
};

}  // namespace synthetic
