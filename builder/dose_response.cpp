#include "builder/dose_response.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

namespace builder {

double NormalPdf(double x) { return std::exp((x * (-x)) * 0.5) * 0.398942280401433; }

// Abramowitz and Stegun 26.2.17, with a tail form beyond |x| > 7.
double NormalCdf(double x) {
    if (x < -7) return NormalPdf(x) / std::sqrt(x * x + 1);
    if (x > 7) return 1 - NormalCdf(-x);
    const double p = 0.2316419, b1 = 0.31938153, b2 = -0.356563782, b3 = 1.781477937,
                 b4 = -1.821255978, b5 = 1.330274429;
    double t = 1 / (1 + p * std::fabs(x));
    double sum = b2 * std::pow(t, 2) + b1 * t;
    sum = sum + b3 * std::pow(t, 3);
    sum = sum + b4 * std::pow(t, 4);
    sum = sum + b5 * std::pow(t, 5);
    double result = 1 - sum * NormalPdf(x);
    if (x <= 0) result = 1 - result;
    return result;
}

float ResponseProbability(const DoseResponse& model, float exposure) {
    auto dose = static_cast<float>(exposure * (model.IngestionRate * (model.QualStep / (24.0 * 3600))));
    double x = static_cast<double>(dose) / model.BodyWeight / model.D50;
    // A trace exposure whose dose is below the smallest single is no dose at
    // all: the probit line's limit there is a response of 0.
    if (x == 0 && model.IngestionRate > 0 && model.BodyWeight > 0 && model.D50 > 0) return 0.0f;
    if (!(x > 0) || !std::isfinite(x))
        throw std::domain_error("the dose-response model is undefined for a dose of " + std::to_string(dose) +
                                " mg (body weight " + std::to_string(model.BodyWeight) + " kg, D50 " +
                                std::to_string(model.D50) + " mg/kg)");
    auto z = static_cast<float>(model.Beta * (std::log(x) / std::log(10.0)));
    return static_cast<float>(NormalCdf(z));
}

void ResponseCache::Reset(std::size_t nodeSlots) {
    exposure.assign(nodeSlots, std::numeric_limits<float>::quiet_NaN());
    response.assign(nodeSlots, 0.0f);
}

float AffectedPopulation(const DoseResponse& model, std::int32_t stepsSinceFirstInjection,
                         const std::vector<float>& exposure, const std::vector<float>& volumePerMinute,
                         const std::vector<float>& population, ResponseCache* cache) {
    float sum = 0.0f;
    for (std::size_t m = 1; m < exposure.size(); ++m) {
        float r = 0.0f;
        if (stepsSinceFirstInjection > 0 && volumePerMinute[m] > 0 && exposure[m] > 0) {
            if (!cache) {
                r = ResponseProbability(model, exposure[m]);
            } else if (cache->exposure[m] == exposure[m]) {
                r = cache->response[m];
            } else {
                r = ResponseProbability(model, exposure[m]);
                cache->exposure[m] = exposure[m];
                cache->response[m] = r;
            }
        }
        sum = static_cast<float>(static_cast<double>(r) * population[m] + sum);
    }
    return sum;
}

}  // namespace builder
