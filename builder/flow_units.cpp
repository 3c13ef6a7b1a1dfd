#include "builder/flow_units.h"

namespace builder {

namespace {

struct FlowUnits {
    const char* name;
    FlowFactors factors;
};

// Indexed by the toolkit's flow-units code.
constexpr FlowUnits kFlowUnits[] = {
    {"CFS", {1.0f, 28.31685f}},          // cubic feet per second
    {"GPM", {60.0f, 3.785412f}},         // US gallons per minute
    {"MGD", {86400.0f, 3785412.0f}},     // million US gallons per day
    {"IMGD", {86400.0f, 4546092.0f}},    // million imperial gallons per day
    {"AFD", {86400.0f, 1233481.8f}},     // acre-feet per day
    {"LPS", {1.0f, 1.0f}},               // litres per second
    {"LPM", {60.0f, 1.0f}},              // litres per minute
    {"MLD", {86400.0f, 1000000.0f}},     // million litres per day
    {"CMH", {3600.0f, 1000.0f}},         // cubic metres per hour
    {"CMD", {86400.0f, 1000.0f}},        // cubic metres per day
    {"CMS", {1.0f, 1000.0f}},            // cubic metres per second
};
constexpr int kCodes = static_cast<int>(sizeof kFlowUnits / sizeof kFlowUnits[0]);

}  // namespace

std::optional<FlowFactors> FlowFactorsOf(int code) {
    if (code < 0 || code >= kCodes) return std::nullopt;
    return kFlowUnits[code].factors;
}

std::string FlowUnitsName(int code) {
    if (code < 0 || code >= kCodes) return "code " + std::to_string(code);
    return kFlowUnits[code].name;
}

}  // namespace builder
