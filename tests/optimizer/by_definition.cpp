#include "by_definition.h"

#include <algorithm>
#include <limits>

namespace optimizer_testing {

using optimizer::Objective;
using optimizer::Options;
using optimizer::ScenarioData;
using optimizer::Statistic;

std::vector<std::int32_t> PlaceableNodes(const ScenarioData& data, const Options& options) {
    std::vector<std::int32_t> nodes;
    for (std::int32_t n = 0; n < data.nNodes; ++n) {
        bool fixed = std::count(options.fixed.begin(), options.fixed.end(), n) > 0;
        bool excluded = std::count(options.excluded.begin(), options.excluded.end(), n) > 0;
        bool listed = !options.candidates || std::count(options.candidates->begin(), options.candidates->end(), n) > 0;
        if (fixed || (listed && !excluded)) nodes.push_back(n);
    }
    return nodes;
}

namespace {

bool Detects(const ScenarioData& data, std::int32_t e, std::int32_t n) {
    return data.detected[static_cast<std::size_t>(e) * static_cast<std::size_t>(data.nNodes) + static_cast<std::size_t>(n)] != 0;
}

double Impact(const ScenarioData& data, std::int32_t e, std::int32_t n) {
    return data.impact[static_cast<std::size_t>(e) * static_cast<std::size_t>(data.nNodes) + static_cast<std::size_t>(n)];
}

}  // namespace

std::vector<std::int32_t> CountedEvents(const ScenarioData& data, const Options& options) {
    std::vector<std::int32_t> placeable = PlaceableNodes(data, options), events;
    for (std::int32_t e = 0; e < data.nEvents; ++e) {
        bool detectable = std::any_of(placeable.begin(), placeable.end(), [&](std::int32_t n) { return Detects(data, e, n); });
        if (detectable || !options.detectableOnly) events.push_back(e);
    }
    return events;
}

std::vector<double> ValuesUnder(const ScenarioData& data, const Options& options, const std::vector<std::int32_t>& nodes) {
    std::vector<double> values;
    for (std::int32_t e : CountedEvents(data, options)) {
        bool detected = false;
        double value = data.undetectedImpact.empty() ? 0 : data.undetectedImpact[static_cast<std::size_t>(e)];
        for (std::int32_t n : nodes)
            if (Detects(data, e, n)) detected = true, value = std::min(value, Impact(data, e, n));
        values.push_back(options.objective == Objective::Detection ? (detected ? 0.0 : 1.0) : value);
    }
    return values;
}

std::int32_t DetectedUnder(const ScenarioData& data, const Options& options, const std::vector<std::int32_t>& nodes) {
    std::int32_t detected = 0;
    for (std::int32_t e : CountedEvents(data, options))
        detected += std::any_of(nodes.begin(), nodes.end(), [&](std::int32_t n) { return Detects(data, e, n); });
    return detected;
}

double StatisticByDefinition(Statistic statistic, const std::vector<double>& values, double alpha) {
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    double n = static_cast<double>(sorted.size());
    switch (statistic) {
        case Statistic::Mean: {
            double sum = 0;
            for (double v : sorted) sum += v;
            return sum / n;
        }
        case Statistic::Worst: return sorted.back();
        case Statistic::VaR:
            for (double v : sorted) {
                double atMost = static_cast<double>(std::upper_bound(sorted.begin(), sorted.end(), v) - sorted.begin());
                if (atMost / n >= alpha * (1 - 1e-9)) return v;
            }
            return sorted.back();
        case Statistic::CVaR: {
            double best = std::numeric_limits<double>::infinity();
            for (double t : sorted) {
                double excess = 0;
                for (double v : sorted) excess += std::max(0.0, v - t);
                best = std::min(best, t + excess / ((1 - alpha) * n));
            }
            return best;
        }
    }
    return 0;
}

BruteForceOptimum BruteForce(const ScenarioData& data, const Options& options) {
    std::vector<std::int32_t> free;
    for (std::int32_t n : PlaceableNodes(data, options))
        if (std::count(options.fixed.begin(), options.fixed.end(), n) == 0) free.push_back(n);
    auto extra = static_cast<std::size_t>(options.sensors) - options.fixed.size();
    BruteForceOptimum best{std::numeric_limits<double>::infinity(), {}};
    std::vector<bool> pick(free.size(), false);
    std::fill(pick.begin(), pick.begin() + static_cast<std::ptrdiff_t>(extra), true);
    do {
        std::vector<std::int32_t> nodes = options.fixed;
        for (std::size_t i = 0; i < free.size(); ++i)
            if (pick[i]) nodes.push_back(free[i]);
        double value = StatisticByDefinition(options.statistic, ValuesUnder(data, options, nodes), options.alpha);
        if (value < best.value) best = {value, nodes};
    } while (std::prev_permutation(pick.begin(), pick.end()));
    return best;
}

}  // namespace optimizer_testing
