#include "optimizer/lagrangian_bound.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace optimizer {

namespace {

constexpr double kFirstStepScale = 1.0;
// Subgradient steps are worth about this many cell visits; the step count
// stays between the default and kMostIterations.
constexpr double kBoundCellVisits = 1.6e7;
constexpr int kMostIterations = 20000;
constexpr double kRelativeRounding = 1e-9;
constexpr std::size_t kKeptStarts = 12;

// Keeps the best few distinct selections by total.
class StartPool {
public:
    void Offer(std::vector<std::int32_t> selection, double total) {
        std::sort(selection.begin(), selection.end());
        if (kept_.size() == kKeptStarts && total >= kept_.back().first) return;
        for (const auto& entry : kept_)
            if (entry.second == selection) return;
        kept_.emplace_back(total, std::move(selection));
        std::sort(kept_.begin(), kept_.end());
        if (kept_.size() > kKeptStarts) kept_.pop_back();
    }
    std::vector<std::vector<std::int32_t>> Selections() const {
        std::vector<std::vector<std::int32_t>> selections;
        for (const auto& entry : kept_) selections.push_back(entry.second);
        return selections;
    }

private:
    std::vector<std::pair<double, std::vector<std::int32_t>>> kept_;
};

// The `size` columns with the largest positive gains.
void LargestGains(const std::vector<double>& gains, std::int32_t size, std::vector<std::int32_t>& chosen) {
    chosen.clear();
    for (std::size_t c = 0; c < gains.size(); ++c)
        if (gains[c] > 0) chosen.push_back(static_cast<std::int32_t>(c));
    if (static_cast<std::int32_t>(chosen.size()) <= size) return;
    std::nth_element(chosen.begin(), chosen.begin() + size, chosen.end(), [&](std::int32_t a, std::int32_t b) {
        return gains[static_cast<std::size_t>(a)] > gains[static_cast<std::size_t>(b)];
    });
    chosen.resize(static_cast<std::size_t>(size));
}

// Levels under the chosen columns, and per event how many of them lie below its multiplier.
void CoverBelow(const MedianModel& model, const std::vector<std::int32_t>& chosen, const std::vector<double>& lambda,
                std::vector<double>& levels, std::vector<std::int32_t>& below) {
    const Problem& p = *model.problem;
    levels = model.base;
    std::fill(below.begin(), below.end(), 0);
    for (std::int32_t c : chosen)
        for (std::int64_t k = p.columnStart[static_cast<std::size_t>(c)]; k < p.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(p.cellEvent[static_cast<std::size_t>(k)]);
            double v = model.cost(p.cellImpact[static_cast<std::size_t>(k)]);
            if (v < lambda[e]) ++below[e];
            levels[e] = std::min(levels[e], v);
        }
}

// Moves the multipliers along the projected subgradient 1 - below; false when it is zero.
bool Step(const MedianModel& model, const std::vector<std::int32_t>& below, double scale, double gapToUpper,
          std::vector<double>& lambda, std::vector<double>& direction) {
    double norm2 = 0;
    for (std::size_t e = 0; e < lambda.size(); ++e) {
        double g = 1.0 - below[e];
        if ((g > 0 && lambda[e] >= model.base[e]) || (g < 0 && lambda[e] <= model.ideal[e])) g = 0;
        direction[e] = g;
        norm2 += g * g;
    }
    if (norm2 == 0) return false;
    double step = scale * gapToUpper / norm2;
    for (std::size_t e = 0; e < lambda.size(); ++e)
        lambda[e] = std::clamp(lambda[e] + step * direction[e], model.ideal[e], model.base[e]);
    return true;
}

// Columns a selection with a total below `upper` can use (see DualOutcome).
std::vector<std::int32_t> Promising(const MedianModel& model, std::int32_t size, double bound, double upper,
                                    const std::vector<double>& lambda) {
    std::vector<double> gains;
    ColumnGains(model, lambda, gains);
    std::vector<std::int32_t> chosen;
    LargestGains(gains, size, chosen);
    double weakest = 0;
    if (static_cast<std::int32_t>(chosen.size()) == size && size > 0) {
        weakest = gains[static_cast<std::size_t>(chosen[0])];
        for (std::int32_t c : chosen) weakest = std::min(weakest, gains[static_cast<std::size_t>(c)]);
    }
    const Problem& p = *model.problem;
    std::vector<std::int32_t> promising;
    for (std::size_t c = 0; c < gains.size(); ++c) {
        bool hasCells = p.columnStart[c + 1] > p.columnStart[c];
        if (hasCells && gains[c] > weakest - (upper - bound)) promising.push_back(static_cast<std::int32_t>(c));
    }
    std::sort(promising.begin(), promising.end(), [&](std::int32_t a, std::int32_t b) {
        return gains[static_cast<std::size_t>(a)] > gains[static_cast<std::size_t>(b)];
    });
    return promising;
}

}  // namespace

DualSettings DualSettingsFor(const Problem& problem) {
    DualSettings settings;
    double cells = static_cast<double>(std::max<std::int64_t>(problem.cells(), 1));
    double affordable = std::min(kBoundCellVisits / cells, static_cast<double>(kMostIterations));
    int iterations = std::max(settings.maxIterations, static_cast<int>(affordable));
    // Each halving of the step gets a share of the extra steps.
    double stretch = static_cast<double>(iterations) / settings.maxIterations;
    settings.maxIterations = iterations;
    settings.staleIterations = static_cast<int>(settings.staleIterations * std::sqrt(stretch));
    if (stretch > 1) settings.smallestStepScale /= stretch * stretch;
    return settings;
}

double SafeBound(double bound, bool wholeTotals) {
    if (!std::isfinite(bound)) return bound;
    if (wholeTotals) return std::ceil(bound - 1e-6);
    return bound - kRelativeRounding * std::max(1.0, std::abs(bound));
}

DualOutcome LagrangianBound(const MedianModel& model, std::int32_t size, double upper, std::vector<double> lambda,
                            const DualSettings& settings, RunControl& control) {
    for (std::size_t e = 0; e < lambda.size(); ++e) lambda[e] = std::clamp(lambda[e], model.ideal[e], model.base[e]);
    DualOutcome out;
    double best = -std::numeric_limits<double>::infinity();
    std::vector<double> gains, levels, direction(lambda.size()), bestLambda;
    std::vector<std::int32_t> below(lambda.size()), chosen;
    double scale = kFirstStepScale;
    int stale = 0;
    StartPool pool;
    for (; out.iterations < settings.maxIterations && !control.Stopped(); ++out.iterations) {
        ColumnGains(model, lambda, gains);
        control.CountPasses(1);
        LargestGains(gains, size, chosen);
        double value = std::accumulate(lambda.begin(), lambda.end(), 0.0);
        for (std::int32_t c : chosen) value -= gains[static_cast<std::size_t>(c)];
        if (out.iterations == 0 || value > best + kRelativeRounding * std::max(1.0, std::abs(best))) {
            best = value;
            bestLambda = lambda;
            stale = 0;
        } else if (++stale >= settings.staleIterations) {
            scale /= 2;
            stale = 0;
        }
        out.bound = SafeBound(best, model.wholeTotals);
        control.Report(Stage::Bounding, settings.sensors, upper * settings.reportScale, out.bound * settings.reportScale);
        if (out.bound >= settings.target || scale < settings.smallestStepScale) break;

        CoverBelow(model, chosen, lambda, levels, below);
        double total = Total(levels);
        pool.Offer(chosen, total);
        if (total < out.selectionTotal) {
            out.selectionTotal = total;
            out.selection = chosen;
        }
        upper = std::min(upper, total);
        if (out.bound >= SafeBound(upper, false)) break;  // the bound meets a known total
        if (!Step(model, below, scale, upper - value, lambda, direction)) break;
    }
    out.starts = pool.Selections();
    out.multipliers = bestLambda;
    if (out.iterations > 0) out.promising = Promising(model, size, best, std::min(upper, out.selectionTotal), bestLambda);
    return out;
}

}  // namespace optimizer
