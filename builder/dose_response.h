// Log-probit dose-response model behind the affected-population measure.
#pragma once

#include <cstdint>
#include <vector>

#include "base/index_bits.h"

namespace builder {

double NormalPdf(double x);
double NormalCdf(double x);
// NormalCdf(z) rounded to single, for the single-precision z the response
// works with: the same single, found without the library's powers.
float NormalCdfSingle(float z);

// Dose-response parameters and the time step they are applied over.
struct DoseResponse {
    float IngestionRate;  // L/day
    float BodyWeight;     // kg
    float D50;            // mg/kg
    float Beta;
    std::int32_t QualStep;  // seconds
};


// Running exposure of one node at one recorded step: the demand relative to
// the node's average, times the concentration, plus the previous step's sum.
// Nodes without demand keep 0.
inline float UpdatedExposure(float baseDemand, float volumePerMinute, float concentration,
                             float previousExposure, bool hasPrevious) {
    if (!(volumePerMinute > 0)) return 0.0f;
    // No contaminant adds nothing; this skips the division for most nodes.
    if (concentration == 0.0f) return hasPrevious ? previousExposure : 0.0f;
    double exposure = static_cast<double>(baseDemand) / volumePerMinute * concentration;
    if (hasPrevious) exposure += previousExposure;
    return static_cast<float>(exposure);
}

// Response probability of one node with a positive exposure sum.
// Throws std::domain_error when the dose ratio has no logarithm.
float ResponseProbability(const DoseResponse& model, float exposure);

// Each node's last exposure and the response computed for it. A node's
// exposure sum often stays the same from step to step once the contaminant
// has passed, and its response then need not be computed again.
struct ResponseCache {
    std::vector<float> exposure, response;
    void Reset(std::size_t nodeSlots);
};

// Expected number of people affected at a recorded step: the sum over nodes
// of their response probability times the population they serve. With
// only given, every node outside it must have an exposure of 0 and a
// finite population, and the sum goes through its members alone.
float AffectedPopulation(const DoseResponse& model, std::int32_t stepsSinceFirstInjection,
                         const std::vector<float>& exposure, const std::vector<float>& volumePerMinute,
                         const std::vector<float>& population, ResponseCache* cache = nullptr,
                         const base::IndexBits* only = nullptr);

}  // namespace builder
