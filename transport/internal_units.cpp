#include "transport/internal_units.h"

#include <cmath>

#include "network/project.h"

namespace transport {

namespace {

// The toolkit's own constants and the products it forms from them.
constexpr double kMetresPerFoot = 0.3048;
// How far from the reported value the value the toolkit read may lie: it
// is the report itself unless the division and product moved it by one unit in the last place.
constexpr int kUnitsInTheLastPlace = 3;

}  // namespace

ReportFactors ReportFactorsFor(int flowUnits) {
    if (flowUnits <= EN_AFD) return {};
    ReportFactors f;
    f.length = kMetresPerFoot;
    f.diameter = 1000.0 * kMetresPerFoot;
    f.volume = kMetresPerFoot * kMetresPerFoot * kMetresPerFoot;
    return f;
}

std::optional<double> KeptValue(double reported, double factor) {
    if (factor == 1.0) return reported;
    if (!std::isfinite(reported)) return std::nullopt;
    double read = reported;
    for (int i = 0; i < kUnitsInTheLastPlace; ++i) read = std::nextafter(read, -HUGE_VAL);
    std::optional<double> kept;
    for (int i = 0; i <= 2 * kUnitsInTheLastPlace; ++i, read = std::nextafter(read, HUGE_VAL)) {
        const double candidate = read / factor;
        if (candidate * factor != reported) continue;
        if (kept && *kept != candidate) return std::nullopt;
        kept = candidate;
    }
    return kept;
}

}  // namespace transport
