#include "report/scale_ticks.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace report {

double NiceStep(double rough) {
    static constexpr std::array<double, 4> kMantissas = {1, 2, 2.5, 5};
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (double mantissa : kMantissas)
        if (mantissa * power >= rough * (1 - 1e-9)) return mantissa * power;
    return 10 * power;
}

int DecimalsFor(double step) {
    for (int decimals = 0; decimals < 12; ++decimals) {
        double scaled = step * std::pow(10.0, decimals);
        if (std::fabs(scaled - std::round(scaled)) < 1e-6 * scaled) return decimals;
    }
    return 12;
}

Ticks NiceTicks(double low, double high, int target) {
    if (!(high > low)) {
        // One value: a unit-wide scale around it, in its own order of magnitude.
        double half = low == 0 ? 1 : NiceStep(std::fabs(low)) / 2;
        return NiceTicks(low - half, low + half, target);
    }
    Ticks ticks;
    ticks.step = NiceStep((high - low) / std::max(1, target));
    ticks.first = std::floor(low / ticks.step + 1e-9) * ticks.step;
    ticks.count = static_cast<int>(std::ceil((high - ticks.first) / ticks.step - 1e-9)) + 1;
    ticks.count = std::max(ticks.count, 2);
    return ticks;
}

}  // namespace report
