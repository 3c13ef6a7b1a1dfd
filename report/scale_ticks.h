// Round numbers for scales: chart axes and the colour classes of the map.
#pragma once

namespace report {

// The smallest of 1, 2, 2.5, 5 times a power of ten that is at least
// `rough` (positive and finite).
double NiceStep(double rough);

// Decimals needed to write every multiple of step exactly: 0.25 -> 2, 5 -> 0.
int DecimalsFor(double step);

// Evenly spaced round values first, first + step, ... that cover
// [low, high]: first <= low and first + (count - 1) * step >= high, with
// count close to `target` + 1 (at least 2).
struct Ticks {
    double first = 0;
    double step = 1;
    int count = 2;
    double At(int i) const { return first + step * i; }
    double Last() const { return At(count - 1); }
};
Ticks NiceTicks(double low, double high, int target);

}  // namespace report
