#include <cmath>
#include <limits>
#include <string>

#include "builder/driver.h"
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

}  // namespace builder
