#include "optimizer/impact_values.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "base/thread_ranges.h"

namespace optimizer {

namespace {

constexpr std::int64_t kSample = 4096;
constexpr std::int64_t kCellsPerThread = 1 << 18;

std::vector<std::int64_t> CellCuts(const Problem& problem, int threads) {
    int parts = static_cast<int>(std::clamp<std::int64_t>(problem.cells() / kCellsPerThread, 1, threads));
    return base::EvenCuts(problem.cells(), parts);
}

}  // namespace

double SmallestValueAbove(const Problem& problem, double x, int threads) {
    double best = std::numeric_limits<double>::infinity();
    for (double b : problem.base)
        if (b > x) best = std::min(best, b);
    std::vector<std::int64_t> cuts = CellCuts(problem, threads);
    std::vector<double> found(cuts.size() - 1, best);
    base::RunRanges(cuts, [&](int part, std::int64_t begin, std::int64_t end) {
        double m = found[static_cast<std::size_t>(part)];
        for (std::int64_t k = begin; k < end; ++k) {
            double v = problem.cellImpact[static_cast<std::size_t>(k)];
            if (v > x && v < m) m = v;
        }
        found[static_cast<std::size_t>(part)] = m;
    });
    return *std::min_element(found.begin(), found.end());
}

double MiddleValueBetween(const Problem& problem, double low, double high, int threads) {
    auto inside = [&](double v) { return v > low && v < high; };
    std::vector<std::int64_t> cuts = CellCuts(problem, threads);
    std::vector<std::int64_t> counts(cuts.size() - 1, 0);
    base::RunRanges(cuts, [&](int part, std::int64_t begin, std::int64_t end) {
        std::int64_t n = 0;
        for (std::int64_t k = begin; k < end; ++k) n += inside(problem.cellImpact[static_cast<std::size_t>(k)]);
        counts[static_cast<std::size_t>(part)] = n;
    });
    std::int64_t total = 0;
    for (std::int64_t n : counts) total += n;
    for (double b : problem.base) total += inside(b);
    if (total == 0) return std::nan("");
    std::int64_t stride = std::max<std::int64_t>(1, total / kSample);
    std::vector<double> sample;
    std::int64_t seenBases = 0;
    for (double b : problem.base)
        if (inside(b) && seenBases++ % stride == 0) sample.push_back(b);
    std::vector<std::vector<double>> picked(counts.size());
    base::RunRanges(cuts, [&](int part, std::int64_t begin, std::int64_t end) {
        std::int64_t seen = 0;
        for (std::int64_t k = begin; k < end; ++k) {
            double v = problem.cellImpact[static_cast<std::size_t>(k)];
            if (inside(v) && seen++ % stride == 0) picked[static_cast<std::size_t>(part)].push_back(v);
        }
    });
    for (const auto& part : picked) sample.insert(sample.end(), part.begin(), part.end());
    auto middle = sample.begin() + static_cast<std::ptrdiff_t>(sample.size() / 2);
    std::nth_element(sample.begin(), middle, sample.end());
    return *middle;
}

std::vector<double> ValuesFrom(const Problem& problem, double low, double high) {
    std::vector<double> values;
    for (double b : problem.base)
        if (b >= low && b < high) values.push_back(b);
    for (float f : problem.cellImpact)
        if (f >= low && f < high) values.push_back(f);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

}  // namespace optimizer
