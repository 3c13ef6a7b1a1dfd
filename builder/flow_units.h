// The network's flow units as the builder uses them.
#pragma once

#include <optional>
#include <string>

namespace builder {

struct FlowFactors {
    float FlowTimeFactor = 0.0f;    // seconds per time unit of the flow units
    float FlowVolumeFactor = 0.0f;  // litres per volume unit of the flow units
};

// The factors of a toolkit flow-units code; nothing for a code the builder cannot use.
std::optional<FlowFactors> FlowFactorsOf(int flowUnitsCode);

// Name of a toolkit flow-units code for messages ("GPM", "code 42").
std::string FlowUnitsName(int flowUnitsCode);

}  // namespace builder
