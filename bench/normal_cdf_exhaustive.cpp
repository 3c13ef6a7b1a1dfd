// Compares the single-precision normal distribution with the double one
// rounded to single at every single-precision z in [-7, 7] (about 2.2
// billion values; a few minutes on two cores):
//   normal_cdf_exhaustive [parts]      (default: every usable core)
// Prints the number of values compared and of those that differ, which
// must be 0, and the time each form takes per value.
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/thread_ranges.h"
#include "base/usable_cores.h"
#include "builder/dose_response.h"

using Clock = std::chrono::steady_clock;

namespace {

// The singles in [0, 7] in order of their bit patterns; each is also taken negated.
const std::uint32_t kSevenBits = std::bit_cast<std::uint32_t>(7.0f);

struct Tally {
    std::atomic<std::int64_t> compared{0}, differing{0};
    std::atomic<std::uint32_t> firstDifference{0};
};

void Compare(std::int64_t begin, std::int64_t end, Tally& tally) {
    std::int64_t compared = 0, differing = 0;
    for (std::int64_t bits = begin; bits < end; ++bits) {
        const float magnitude = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        for (const float z : {magnitude, -magnitude}) {
            ++compared;
            if (builder::NormalCdfSingle(z) == static_cast<float>(builder::NormalCdf(z))) continue;
            if (differing++ == 0) tally.firstDifference = std::bit_cast<std::uint32_t>(z);
        }
    }
    tally.compared += compared;
    tally.differing += differing;
}

// Seconds per call of each form over a stride of the range.
void TimeBoth() {
    const std::uint32_t stride = 997;
    volatile float sink = 0;
    auto t0 = Clock::now();
    std::int64_t calls = 0;
    for (std::uint32_t bits = 0; bits <= kSevenBits; bits += stride, ++calls)
        sink = sink + static_cast<float>(builder::NormalCdf(std::bit_cast<float>(bits)));
    const double reference = std::chrono::duration<double>(Clock::now() - t0).count() / static_cast<double>(calls);
    t0 = Clock::now();
    for (std::uint32_t bits = 0; bits <= kSevenBits; bits += stride)
        sink = sink + builder::NormalCdfSingle(std::bit_cast<float>(bits));
    const double single = std::chrono::duration<double>(Clock::now() - t0).count() / static_cast<double>(calls);
    std::printf("per value: %.1f ns with powers, %.1f ns with products\n", 1e9 * reference, 1e9 * single);
}

}  // namespace

int main(int argc, char** argv) {
    const int parts = argc > 1 ? std::max(1, std::atoi(argv[1])) : base::UsableCores();
    TimeBoth();
    Tally tally;
    const auto t0 = Clock::now();
    std::vector<std::int64_t> cuts = base::EvenCuts(std::int64_t{kSevenBits} + 1, parts);
    base::RunRanges(cuts, [&](int, std::int64_t begin, std::int64_t end) { Compare(begin, end, tally); });
    std::printf("%lld singles in [-7, 7] compared in %.0f s; %lld differ\n",
                static_cast<long long>(tally.compared.load()),
                std::chrono::duration<double>(Clock::now() - t0).count(),
                static_cast<long long>(tally.differing.load()));
    if (tally.differing > 0)
        std::printf("first difference at z = %.9g\n", static_cast<double>(std::bit_cast<float>(tally.firstDifference.load())));
    return tally.differing == 0 ? 0 : 1;
}
