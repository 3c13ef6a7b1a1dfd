#include "evaluator/node_figures.h"

#include <algorithm>
#include <limits>

#include "base/thread_ranges.h"
#include "base/usable_cores.h"

namespace evaluator {

namespace {

int Cores(int threads) {
    return threads > 0 ? threads : base::UsableCores();
}

struct Sums {
    std::vector<std::int64_t> detections;
    std::vector<double> minutes;
};

// Events first..last (1-based) of the set into the sums.
void Accumulate(const matrix::MatrixSet& set, std::int32_t first, std::int32_t last, Sums& sums) {
    const auto nodes = static_cast<std::size_t>(set.nNodes);
    sums.detections.assign(nodes, 0);
    sums.minutes.assign(nodes, 0.0);
    for (std::int32_t e = first; e <= last; ++e) {
        const std::uint8_t* flags = set.Z4.Row(e);
        const float* minutes = set.Has(1) ? set.Z1.Row(e) : nullptr;
        for (std::size_t n = 0; n < nodes; ++n) {
            if (!matrix::Detects(flags[n])) continue;
            ++sums.detections[n];
            if (minutes) sums.minutes[n] += minutes[n];
        }
    }
}

}  // namespace

NodeFigures ComputeNodeFigures(const matrix::MatrixSet& set, int threads) {
    const auto nodes = static_cast<std::size_t>(set.nNodes);
    const int parts = std::max(1, std::min(Cores(threads), std::max(1, set.nEvents)));
    std::vector<Sums> sums(static_cast<std::size_t>(parts));
    if (set.nEvents > 0 && set.Has(4)) {
        base::RunRanges(base::EvenCuts(set.nEvents, parts), [&](int part, std::int64_t begin, std::int64_t end) {
            Accumulate(set, static_cast<std::int32_t>(begin) + 1, static_cast<std::int32_t>(end),
                       sums[static_cast<std::size_t>(part)]);
        });
    }
    NodeFigures figures;
    figures.detectedShare.assign(nodes, 0.0);
    figures.meanMinutesToDetection.assign(nodes, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t n = 0; n < nodes; ++n) {
        std::int64_t detections = 0;
        double minutes = 0;
        for (const Sums& part : sums) {
            if (part.detections.empty()) continue;
            detections += part.detections[n];
            minutes += part.minutes[n];
        }
        if (set.nEvents > 0) figures.detectedShare[n] = static_cast<double>(detections) / set.nEvents;
        if (detections > 0 && set.Has(1)) figures.meanMinutesToDetection[n] = minutes / static_cast<double>(detections);
    }
    return figures;
}

}  // namespace evaluator
