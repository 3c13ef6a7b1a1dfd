#include "synthetic/scenario_set.h"

#include <algorithm>
#include <numeric>

namespace synthetic {

ScenarioSet::ScenarioSet(std::int32_t events, std::int32_t nodes)
    : events_(events),
      nodes_(nodes),
      detected_(static_cast<std::size_t>(events) * static_cast<std::size_t>(nodes)),
      impact_(detected_.size()),
      undetected_(static_cast<std::size_t>(events)) {}

optimizer::ScenarioData ScenarioSet::Data() const {
    optimizer::ScenarioData data;
    data.nEvents = events_;
    data.nNodes = nodes_;
    data.detected = detected_.data();
    data.impact = impact_.data();
    data.undetectedImpact = undetected_;
    return data;
}

double ScenarioSet::DetectedShare() const {
    std::size_t set = std::accumulate(detected_.begin(), detected_.end(), std::size_t{0});
    return static_cast<double>(set) / static_cast<double>(detected_.size());
}

std::int32_t ScenarioSet::UndetectedEvents() const {
    std::int32_t count = 0;
    for (std::int32_t e = 0; e < events_; ++e) {
        const std::uint8_t* row = detected_.data() + Offset(e);
        count += std::none_of(row, row + nodes_, [](std::uint8_t f) { return f != 0; });
    }
    return count;
}

}  // namespace synthetic
