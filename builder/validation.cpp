#include <cmath>
#include <limits>
#include <string>

#include "builder/driver.h"
#include "builder/numbers.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

namespace {

void Require(bool condition, const std::string& message) {
    if (!condition) throw BuildError(message);
}

bool Positive(float value) { return std::isfinite(value) && value > 0; }

}  // namespace

void ValidateBuild() {
    Require(network::QualStep > 0, "The network's water-quality time step is not positive");
    Require(network::nNodes > 0, "The network has no nodes");
    for (std::int32_t n = 1; n <= network::nNodes; ++n)
        Require(network::NodeID[static_cast<std::size_t>(n)].find('"') == std::string::npos,
                "The node ID " + network::NodeID[static_cast<std::size_t>(n)] +
                    " contains a double quote, which the matrix files cannot hold");
    Require(FlowTimeFactor > 0 && FlowVolumeFactor > 0,
            "The network's flow units are not supported by the builder");
    // 120 x hours must fit the Z1 value of an undetected node, 3600 x hours the toolkit's duration.
    Require(MaxSimDuration > 0 && MaxSimDuration <= std::numeric_limits<std::int32_t>::max() / 3600,
            "Max simulation duration must be a positive number of hours (got " + std::to_string(MaxSimDuration) + ")");
    Require(Positive(PerCapitaConsumption), "Per capita water consumption rate must be positive");
    Require(std::isfinite(DetectionSensitivity), "Detection sensitivity must be a number");
    if (!NoZ2) {
        Require(Positive(IngestionRate), "Mean volumetric ingestion rate must be positive");
        Require(Positive(BodyWeight), "Assumed body weight must be positive");
        Require(Positive(D50), "D50 must be positive");
        Require(std::isfinite(Beta), "Beta must be a number");
    }
    Require(nEvents >= 0, "The number of events is negative");
}

namespace {

std::int32_t FitCount(double count, const std::string& what) {
    Require(count <= std::numeric_limits<std::int32_t>::max(),
            what + " (" + std::to_string(static_cast<long long>(count)) + ") does not fit a 32-bit integer");
    return static_cast<std::int32_t>(count);
}

}  // namespace

std::int32_t ExpectedEventCount(std::int32_t mode, std::int32_t nNodes, std::int32_t qualStep,
                                std::int32_t repeatCount, std::int32_t randomEvents) {
    const std::string what = "The expected number of events";
    switch (mode) {
        case 0: {
            Require(qualStep > 0, "The network's water-quality time step is not positive");
            const std::int32_t nodeHours = FitCount(static_cast<double>(nNodes) * 24, "Nodes times 24 hours");
            return FitCount(RoundHalfEven(3600.0 / qualStep * nodeHours), what);
        }
        case 1: return FitCount(static_cast<double>(nNodes) * repeatCount, what);
        case 2: return randomEvents;
        default: throw BuildError("Unknown event mode " + std::to_string(mode));
    }
}

}  // namespace builder
