#include "builder/dose_response.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>

namespace builder {

double NormalPdf(double x) { return std::exp((x * (-x)) * 0.5) * 0.398942280401433; }

namespace {

// Abramowitz and Stegun 26.2.17.
constexpr double kP = 0.2316419, kB1 = 0.31938153, kB2 = -0.356563782, kB3 = 1.781477937, kB4 = -1.821255978,
                 kB5 = 1.330274429;

// 1 - a, turned round below the mean: the last steps of NormalCdf, which
// never decrease (or never increase) as a grows.
double CdfFromTail(double a, double x) {
    const double result = 1 - a;
    return x <= 0 ? 1 - result : result;
}

}  // namespace

// Abramowitz and Stegun 26.2.17, with a tail form beyond |x| > 7.
double NormalCdf(double x) {
    if (x < -7) return NormalPdf(x) / std::sqrt(x * x + 1);
    if (x > 7) return 1 - NormalCdf(-x);
    double t = 1 / (1 + kP * std::fabs(x));
    double sum = kB2 * std::pow(t, 2) + kB1 * t;
    sum = sum + kB3 * std::pow(t, 3);
    sum = sum + kB4 * std::pow(t, 4);
    sum = sum + kB5 * std::pow(t, 5);
    return CdfFromTail(sum * NormalPdf(x), x);
}

// Products in place of the powers put the sum within 16 units in the last
// place of the sum of its terms' magnitudes, at most 5.61 t, of the sum
// NormalCdf forms; their tail a = sum x pdf lies within delta of each
// other. When every value within delta gives the same single, so does
// NormalCdf; otherwise (rarely) NormalCdf decides. The comparison over
// every single in [-7, 7] is bench/normal_cdf_exhaustive.
float NormalCdfSingle(float z) {
    const double x = z;
    if (!(std::fabs(x) <= 7)) return static_cast<float>(NormalCdf(x));
    const double t = 1 / (1 + kP * std::fabs(x));
    const double t2 = t * t, t3 = t2 * t, t4 = t2 * t2, t5 = t4 * t;
    double sum = kB2 * t2 + kB1 * t;
    sum = sum + kB3 * t3;
    sum = sum + kB4 * t4;
    sum = sum + kB5 * t5;
    const double pdf = NormalPdf(x);
    const double a = sum * pdf;
    const double delta = 0x1p-44 * t * pdf + 0x1p-50 * a;
    const auto low = static_cast<float>(CdfFromTail(a - delta, x));
    const auto high = static_cast<float>(CdfFromTail(a + delta, x));
    if (low != high) return static_cast<float>(NormalCdf(x));
    return static_cast<float>(CdfFromTail(a, x));
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
    return NormalCdfSingle(z);
}

void ResponseCache::Reset(std::size_t nodeSlots) {
    exposure.assign(nodeSlots, std::numeric_limits<float>::quiet_NaN());
    response.assign(nodeSlots, 0.0f);
}

namespace {

// Dose ratios up to ratio give a z so far in the lower tail that every
// response is below bound.
struct TailLevel {
    double ratio, bound;
};

// The levels, most extreme first. Below z = -7 the response is the tail
// form, which grows with z: 6.2e-16 at -8 and 1.3e-12 at -7; from -7 up it
// is the polynomial, within 7.5e-8 of the distribution: below 7.6e-8 at
// -6 and 3.7e-7 at -5.
constexpr struct {
    double z, bound;
} kTailLevels[] = {{-8, 1e-14}, {-7.01, 1e-11}, {-6, 1e-7}, {-5, 1e-6}};
constexpr std::size_t kTailLevelCount = std::size(kTailLevels);

// What the responses of one model share, formed once for a pass over the nodes.
struct ResponseScale {
    double perStep;  // the factor from exposure to dose, formed as ResponseProbability forms it
    double perDose;  // 1 / (body weight x D50)
    double perLn10;  // 1 / ln 10
    std::array<TailLevel, kTailLevelCount> tail;  // ratios of 0 where beta is not positive
};

ResponseScale MakeResponseScale(const DoseResponse& model) {
    ResponseScale scale{model.IngestionRate * (model.QualStep / (24.0 * 3600)),
                        1 / (static_cast<double>(model.BodyWeight) * model.D50), 1 / std::log(10.0), {}};
    const double beta = model.Beta;
    for (std::size_t i = 0; i < kTailLevelCount; ++i)
        scale.tail[i] = {beta > 0 && std::isfinite(beta) ? std::pow(10.0, kTailLevels[i].z / beta) : 0.0,
                         kTailLevels[i].bound};
    return scale;
}

// A quarter of the spacing of singles above s >= 0, or 0 when s is 0, below
// the normal range or NaN: an addend x with 0 <= x < QuarterUlp(s), added
// in double and rounded to single, gives s back.
double QuarterUlp(float s) {
    if (!(s >= std::numeric_limits<float>::min())) return 0.0;
    const auto power = std::bit_cast<float>(std::bit_cast<std::uint32_t>(s) & 0x7f800000u);  // 2^E <= s
    return static_cast<double>(power) * 0x1p-25;
}

// A node's dose ratio: its dose (a single, as ResponseProbability forms
// it) over body weight x D50, in products.
double DoseRatio(const ResponseScale& scale, float exposure) {
    const auto dose = static_cast<float>(exposure * scale.perStep);
    return static_cast<double>(dose) * scale.perDose;
}

// Whether a node's term leaves the sum as it is, known without its
// response: its dose ratio x lies so far in the lower tail that the response
// is below a level's bound, and that times its population's magnitude is
// below a quarter of the sum's last place (a term that small either way
// rounds back to the sum, a power of two included). Such a ratio is
// positive and finite, so ResponseProbability would not have refused it.
bool AddsNothing(const ResponseScale& scale, double x, float population, float sum) {
    const double room = QuarterUlp(sum);
    if (room == 0.0 || !(x > 0)) return false;
    for (const TailLevel& level : scale.tail)
        if (x <= level.ratio) return level.bound * std::fabs(population) < room;
    return false;
}

// ResponseProbability of exposure, whose DoseRatio is x, with products in
// place of its three divisions. The dose is the same single. The dose ratio
// lies within 6 units in the last place of the divided one, so its
// logarithm (each within one unit of the true one) within 2^-50 (1 + |log|),
// and z before rounding within
// 2^-49 |beta| (1 + |log10|) of the divided form's: delta is eight times
// that. When every value within delta rounds to the same nonzero single,
// so does the divided form; otherwise, and where the ratio leaves the
// normal range, the divided form decides.
float FastResponse(const DoseResponse& model, const ResponseScale& scale, float exposure, double x) {
    if (!(x >= 0x1p-1000 && x <= 0x1p1000)) return ResponseProbability(model, exposure);
    const double y = std::log(x) * scale.perLn10;
    const double z = model.Beta * y;
    const double delta = 0x1p-46 * std::fabs(static_cast<double>(model.Beta)) * (1 + std::fabs(y));
    const auto low = static_cast<float>(z - delta);
    const auto high = static_cast<float>(z + delta);
    if (low != high || low == 0.0f) return ResponseProbability(model, exposure);
    return NormalCdfSingle(low);
}

}  // namespace

float AffectedPopulation(const DoseResponse& model, std::int32_t stepsSinceFirstInjection,
                         const std::vector<float>& exposure, const std::vector<float>& volumePerMinute,
                         const std::vector<float>& population, ResponseCache* cache, const base::IndexBits* only) {
    const ResponseScale scale = MakeResponseScale(model);
    float sum = 0.0f;
    const auto add = [&](std::size_t m) {
        float r = 0.0f;
        if (stepsSinceFirstInjection > 0 && volumePerMinute[m] > 0 && exposure[m] > 0) {
            if (cache && cache->exposure[m] == exposure[m]) {
                r = cache->response[m];
            } else {
                const double x = DoseRatio(scale, exposure[m]);
                if (AddsNothing(scale, x, population[m], sum)) return;
                r = FastResponse(model, scale, exposure[m], x);
                if (cache) {
                    cache->exposure[m] = exposure[m];
                    cache->response[m] = r;
                }
            }
        }
        // No response times a finite population adds exactly nothing.
        if (r == 0.0f && std::isfinite(population[m])) return;
        sum = static_cast<float>(static_cast<double>(r) * population[m] + sum);
    };
    base::ForEachIn(only, 1, exposure.size(), add);
    return sum;
}

}  // namespace builder
