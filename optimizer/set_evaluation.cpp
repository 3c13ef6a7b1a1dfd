#include "optimizer/set_evaluation.h"

#include <algorithm>

#include "optimizer/statistics.h"

namespace optimizer {

std::vector<double> EventValues(const ScenarioData& data, Objective objective, const std::vector<std::int32_t>& nodes,
                                const std::vector<std::int32_t>& countedEvents, std::int32_t& detected) {
    std::vector<double> values;
    values.reserve(countedEvents.size());
    detected = 0;
    auto width = static_cast<std::size_t>(data.nNodes);
    for (std::int32_t e : countedEvents) {
        std::size_t row = static_cast<std::size_t>(e) * width;
        bool hit = false;
        double value = objective == Objective::Detection ? 1.0 : data.undetectedImpact[static_cast<std::size_t>(e)];
        for (std::int32_t n : nodes) {
            if (!data.detected[row + static_cast<std::size_t>(n)]) continue;
            hit = true;
            if (objective == Objective::Impact) value = std::min(value, static_cast<double>(data.impact[row + static_cast<std::size_t>(n)]));
        }
        if (hit) ++detected;
        values.push_back(objective == Objective::Detection ? (hit ? 0.0 : 1.0) : value);
    }
    return values;
}

Figures EvaluateSet(const ScenarioData& data, Objective objective, const std::vector<std::int32_t>& nodes,
                    const std::vector<std::int32_t>& countedEvents, double alpha) {
    std::int32_t detected = 0;
    std::vector<double> values = EventValues(data, objective, nodes, countedEvents, detected);
    return FiguresOf(std::move(values), detected, alpha);
}

}  // namespace optimizer
