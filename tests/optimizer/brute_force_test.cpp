// Cross-checks of the optimizer against every possible sensor set on small
// random instances, for every objective, statistic and node restriction.
#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "optimizer/optimizer.h"
#include "by_definition.h"
#include "synthetic/uniform_scenarios.h"

using namespace optimizer;
using namespace optimizer_testing;

namespace {

double Tolerance(double v) {
    return 1e-7 * std::max(1.0, std::abs(v));
}

bool Contains(const std::vector<std::int32_t>& nodes, std::int32_t n) {
    return std::find(nodes.begin(), nodes.end(), n) != nodes.end();
}

// The node restrictions tried on every instance.
std::vector<Options> Requests(std::int32_t nodes) {
    std::vector<Options> requests;
    for (std::int32_t k : {1, 3}) {
        Options plain;
        plain.sensors = k;
        requests.push_back(plain);
    }
    Options fixed;
    fixed.sensors = 3;
    fixed.fixed = {nodes - 1};
    requests.push_back(fixed);
    Options excluded;
    excluded.sensors = 2;
    excluded.excluded = {0, 2};
    requests.push_back(excluded);
    Options listed;
    listed.sensors = 3;
    listed.candidates = std::vector<std::int32_t>{};
    for (std::int32_t n = 0; n < nodes; n += 2) listed.candidates->push_back(n);
    listed.fixed = {1};
    requests.push_back(listed);
    Options curve;
    curve.sensors = 3;
    curve.curve = true;
    requests.push_back(curve);
    return requests;
}

std::string Describe(const Options& options) {
    std::string text = "sensors " + std::to_string(options.sensors) + ", alpha " + std::to_string(options.alpha);
    text += options.exact ? ", exact" : ", heuristic";
    if (options.curve) text += ", curve";
    for (std::int32_t n : options.fixed) text += ", fixed " + std::to_string(n);
    for (std::int32_t n : options.excluded) text += ", excluded " + std::to_string(n);
    if (options.candidates) text += ", " + std::to_string(options.candidates->size()) + " candidates";
    return text;
}

void ExpectFiguresOfItsSet(const ScenarioData& data, const Options& options, const Placement& placement) {
    std::vector<double> values = ValuesUnder(data, options, placement.nodes);
    const Figures& f = placement.figures;
    EXPECT_EQ(f.events, static_cast<std::int32_t>(values.size()));
    EXPECT_EQ(f.detected, DetectedUnder(data, options, placement.nodes));
    for (Statistic s : {Statistic::Mean, Statistic::VaR, Statistic::CVaR, Statistic::Worst}) {
        double expected = StatisticByDefinition(s, values, options.alpha);
        EXPECT_NEAR(f.Value(s), expected, Tolerance(expected)) << "statistic " << static_cast<int>(s);
    }
    EXPECT_EQ(placement.value, f.Value(options.statistic));
}

void ExpectSetWithinRestrictions(const ScenarioData& data, const Options& options, const Placement& placement) {
    std::vector<std::int32_t> placeable = PlaceableNodes(data, options);
    EXPECT_LE(placement.nodes.size(), static_cast<std::size_t>(placement.sensors));
    EXPECT_TRUE(std::is_sorted(placement.nodes.begin(), placement.nodes.end()));
    EXPECT_EQ(std::adjacent_find(placement.nodes.begin(), placement.nodes.end()), placement.nodes.end());
    for (std::int32_t n : options.fixed) EXPECT_TRUE(Contains(placement.nodes, n)) << "fixed node " << n;
    for (std::int32_t n : placement.nodes) EXPECT_TRUE(Contains(placeable, n)) << "node " << n;
}

void ExpectAgainstOptimum(const Options& options, const Placement& placement, double optimum) {
    EXPECT_GE(placement.value, optimum - Tolerance(optimum));
    EXPECT_LE(placement.bound, optimum + Tolerance(optimum));
    EXPECT_LE(placement.bound, placement.value);
    if (placement.provenOptimal) {
        EXPECT_NEAR(placement.value, optimum, Tolerance(optimum));
    }
    if (!options.exact) return;
    EXPECT_EQ(placement.exact, ExactStatus::Optimal);
    EXPECT_TRUE(placement.provenOptimal);
    EXPECT_NEAR(placement.value, optimum, Tolerance(optimum));
}

// Floor, ceiling and the undetectable events, from their definitions.
void ExpectLimits(const ScenarioData& data, const Options& options, const Result& result) {
    std::vector<std::int32_t> placeable = PlaceableNodes(data, options);
    double floor = StatisticByDefinition(options.statistic, ValuesUnder(data, options, placeable), options.alpha);
    double ceiling = StatisticByDefinition(options.statistic, ValuesUnder(data, options, options.fixed), options.alpha);
    EXPECT_NEAR(result.floor.Value(options.statistic), floor, Tolerance(floor));
    EXPECT_NEAR(result.ceiling.Value(options.statistic), ceiling, Tolerance(ceiling));
    EXPECT_EQ(result.SameForEverySet(options.statistic), std::abs(floor - ceiling) <= Tolerance(floor));
    Options everyEvent = options;
    everyEvent.detectableOnly = false;
    std::int32_t undetectable = static_cast<std::int32_t>(CountedEvents(data, everyEvent).size()) -
                                DetectedUnder(data, everyEvent, placeable);
    EXPECT_EQ(result.undetectableEvents, undetectable);
}

using CaseParameters = std::tuple<Objective, Statistic, bool, int>;

class BruteForceCrossCheck : public testing::TestWithParam<CaseParameters> {};

TEST_P(BruteForceCrossCheck, HeuristicBoundAndExactAgreeWithEveryPossibleSet) {
    auto [objective, statistic, detectableOnly, seed] = GetParam();
    synthetic::UniformShape shape;
    shape.nodes = 8 + seed * 3 % 6;
    shape.events = 20 + seed * 7 % 21;
    shape.seed = static_cast<std::uint64_t>(seed) + 100 * static_cast<std::uint64_t>(statistic);
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios(shape);
    ScenarioData data = scenarios.Data();
    const double alphas[] = {0.95, 0.8, 0.5};
    for (Options options : Requests(shape.nodes)) {
        options.objective = objective;
        options.statistic = statistic;
        options.detectableOnly = detectableOnly;
        options.alpha = alphas[seed % 3];
        if (CountedEvents(data, options).empty()) continue;
        for (bool exact : {false, true}) {
            options.exact = exact;
            SCOPED_TRACE(Describe(options));
            Result result = Optimize(data, options);
            ExpectLimits(data, options, result);
            std::int32_t first = options.curve ? std::max<std::int32_t>(1, static_cast<std::int32_t>(options.fixed.size())) : options.sensors;
            ASSERT_EQ(result.placements.size(), static_cast<std::size_t>(options.sensors - first + 1));
            for (const Placement& placement : result.placements) {
                Options sized = options;
                sized.sensors = placement.sensors;
                SCOPED_TRACE("placement of " + std::to_string(placement.sensors));
                ExpectSetWithinRestrictions(data, sized, placement);
                ExpectFiguresOfItsSet(data, sized, placement);
                ExpectAgainstOptimum(sized, placement, BruteForce(data, sized).value);
            }
        }
    }
}

std::string CaseName(const testing::TestParamInfo<CaseParameters>& info) {
    const char* statistics[] = {"Mean", "VaR", "CVaR", "Worst"};
    auto [objective, statistic, detectableOnly, seed] = info.param;
    return std::string(objective == Objective::Impact ? "Impact" : "Detection") + statistics[static_cast<int>(statistic)] +
           (detectableOnly ? "DetectableOnly" : "AllEvents") + "Seed" + std::to_string(seed);
}

INSTANTIATE_TEST_SUITE_P(EveryObjectiveAndStatistic, BruteForceCrossCheck,
                         testing::Combine(testing::Values(Objective::Impact, Objective::Detection),
                                          testing::Values(Statistic::Mean, Statistic::VaR, Statistic::CVaR, Statistic::Worst),
                                          testing::Bool(), testing::Range(0, 5)),
                         CaseName);

}  // namespace
