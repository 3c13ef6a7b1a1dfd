#include "optimizer/scenario_data.h"

#include "base/user_text.h"

namespace optimizer {

std::string NodeName(const ScenarioData& data, std::int32_t node) {
    if (node >= 0 && static_cast<std::size_t>(node) < data.nodeIds.size())
        return "node " + base::ShownText(data.nodeIds[static_cast<std::size_t>(node)]);
    return "node " + std::to_string(node + 1);
}

std::string EventName(std::int32_t event) { return "event " + std::to_string(event + 1); }

}  // namespace optimizer
