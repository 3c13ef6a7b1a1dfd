// Where the search itself matters: swaps that undo a greedy choice, the
// heuristic reaching the proven optimum on a network-like instance, and the
// exact model improving on the heuristic where it falls short.
#include <cmath>

#include <gtest/gtest.h>

#include "synthetic/network_scenarios.h"
#include "optimizer/optimizer.h"
#include "by_definition.h"
#include "synthetic/uniform_scenarios.h"

using namespace optimizer;
using namespace optimizer_testing;

namespace {

// Four events. Node 0 detects all of them at impact 4; node 1 detects the
// first two and node 2 the last two, at impact 0; undetected impact 10.
// Greedy takes node 0 first (it saves 24 against 20), and then can reach a
// total of 8 only; nodes 1 and 2 together leave nothing.
TEST(HeuristicQuality, SwapsUndoTheGreedyFirstChoice) {
    std::vector<std::uint8_t> detected = {1, 1, 0, 1, 1, 0, 1, 0, 1, 1, 0, 1};
    std::vector<float> impact = {4, 0, 0, 4, 0, 0, 4, 0, 0, 4, 0, 0};
    ScenarioData data{4, 3, detected.data(), impact.data(), {10, 10, 10, 10}, {}};
    Options options;
    options.sensors = 2;
    Placement placement = Optimize(data, options).placements.at(0);
    EXPECT_EQ(placement.nodes, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(placement.value, 0.0);
    EXPECT_TRUE(placement.provenOptimal);
}

// A network-1-sized build (144 nodes, every node injected twice) from the
// synthetic network generator, people affected as impact.
TEST(HeuristicQuality, HeuristicMeanEqualsTheExactOptimumOnANetworkSizedInstance) {
    synthetic::ScenarioShape shape;
    shape.seed = 20240611;
    synthetic::ScenarioSet scenarios = synthetic::NetworkScenarios(shape);
    Options options;
    options.sensors = 10;
    options.curve = true;
    Result heuristic = Optimize(scenarios.Data(), options);
    options.exact = true;
    Result exact = Optimize(scenarios.Data(), options);
    ASSERT_EQ(heuristic.placements.size(), 10u);
    ASSERT_EQ(exact.placements.size(), 10u);
    for (std::size_t k = 0; k < 10; ++k) {
        SCOPED_TRACE("sensors " + std::to_string(k + 1));
        EXPECT_EQ(exact.placements[k].exact, ExactStatus::Optimal);
        EXPECT_NEAR(heuristic.placements[k].value, exact.placements[k].value, 1e-9 * exact.placements[k].value);
        EXPECT_LE(heuristic.placements[k].bound, exact.placements[k].value * (1 + 1e-9));
    }
}

struct ShortfallCase {
    std::int32_t nodes, events;
    double share;
    std::uint64_t seed;
    std::int32_t sensors;
    double alpha;
    Objective objective;
    Statistic statistic;
};

// Random instances on which greedy and swaps stopped short of the optimum
// when these tests were written.
TEST(HeuristicQuality, ExactReachesTheOptimumWhereTheHeuristicFallsShort) {
    const ShortfallCase cases[] = {
        {12, 39, 0.3, 5046, 3, 0.9, Objective::Impact, Statistic::VaR},
        {11, 38, 0.4, 5077, 4, 0.8, Objective::Detection, Statistic::Mean},
        {11, 38, 0.4, 5077, 4, 0.8, Objective::Detection, Statistic::CVaR},
        {13, 32, 0.4, 5119, 4, 0.8, Objective::Detection, Statistic::CVaR},
        {13, 36, 0.4, 5251, 4, 0.8, Objective::Impact, Statistic::Mean},
        {13, 40, 0.3, 5271, 4, 0.8, Objective::Impact, Statistic::Mean},
    };
    for (const ShortfallCase& c : cases) {
        SCOPED_TRACE("seed " + std::to_string(c.seed));
        synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({c.nodes, c.events, c.share, c.seed});
        ScenarioData data = scenarios.Data();
        Options options;
        options.sensors = c.sensors;
        options.alpha = c.alpha;
        options.objective = c.objective;
        options.statistic = c.statistic;
        double optimum = BruteForce(data, options).value;
        options.exact = true;
        Placement placement = Optimize(data, options).placements.at(0);
        EXPECT_EQ(placement.exact, ExactStatus::Optimal);
        EXPECT_NEAR(placement.value, optimum, 1e-9 * std::max(1.0, optimum));
        EXPECT_NEAR(placement.bound, optimum, 1e-7 * std::max(1.0, optimum));
    }
}

}  // namespace
