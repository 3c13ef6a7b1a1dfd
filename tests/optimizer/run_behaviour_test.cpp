// How a run behaves: threads, stopping, silence, and the events no set can help.
#include <cmath>

#include <gtest/gtest.h>

#include "synthetic/network_scenarios.h"
#include "optimizer/optimizer.h"
#include "by_definition.h"
#include "synthetic/uniform_scenarios.h"

using namespace optimizer;
using namespace optimizer_testing;

namespace {

// Large enough for every heavy pass to split over two threads.
TEST(RunBehaviour, TheThreadCountDoesNotChangeTheAnswer) {
    synthetic::ScenarioShape shape;
    shape.nodes = 1100;
    shape.events = 2200;
    shape.seed = 99;
    synthetic::ScenarioSet scenarios = synthetic::NetworkScenarios(shape, 2);
    Options options;
    options.sensors = 4;
    options.curve = true;
    options.threads = 1;
    Result one = Optimize(scenarios.Data(), options);
    options.threads = 2;
    Result two = Optimize(scenarios.Data(), options);
    EXPECT_EQ(two.threads, 2);
    ASSERT_EQ(two.placements.size(), one.placements.size());
    for (std::size_t k = 0; k < one.placements.size(); ++k) {
        EXPECT_EQ(two.placements[k].nodes, one.placements[k].nodes);
        EXPECT_EQ(two.placements[k].value, one.placements[k].value);
        EXPECT_EQ(two.placements[k].bound, one.placements[k].bound);
    }
}

TEST(RunBehaviour, AStopRequestEndsTheRunWithASoundAnswer) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({12, 40, 0.35, 31});
    ScenarioData data = scenarios.Data();
    Options options;
    options.sensors = 3;
    options.statistic = Statistic::CVaR;
    std::vector<Stage> stages;
    options.progress = [&](const Progress& progress) {
        stages.push_back(progress.stage);
        return progress.stage != Stage::Bounding;
    };
    Result result = Optimize(data, options);
    ASSERT_FALSE(stages.empty());
    EXPECT_EQ(stages.front(), Stage::Preparing);
    EXPECT_EQ(stages.back(), Stage::Bounding);
    EXPECT_TRUE(result.stoppedEarly);
    const Placement& placement = result.placements.at(0);
    EXPECT_EQ(placement.nodes.size(), 3u);
    double optimum = BruteForce(data, options).value;
    EXPECT_GE(placement.value, optimum - 1e-9);
    EXPECT_LE(placement.bound, optimum + 1e-9);
}

TEST(RunBehaviour, ProgressReportsTheMeanInItsOwnUnits) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({12, 40, 0.35, 34});
    Options options;
    options.sensors = 3;
    std::vector<Progress> bounding;
    options.progress = [&](const Progress& progress) {
        if (progress.stage == Stage::Bounding) bounding.push_back(progress);
        return true;
    };
    Placement placement = Optimize(scenarios.Data(), options).placements.at(0);
    ASSERT_FALSE(bounding.empty());
    for (const Progress& p : bounding) {
        EXPECT_GE(p.value, placement.value - 1e-9);
        EXPECT_LE(p.bound, placement.value + 1e-9);
        EXPECT_EQ(p.sensors, 3);
    }
}

TEST(RunBehaviour, TheTimeLimitStillGivesEveryCurvePointASet) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({12, 40, 0.35, 32});
    ScenarioData data = scenarios.Data();
    Options options;
    options.sensors = 4;
    options.curve = true;
    options.statistic = Statistic::Worst;
    options.timeLimitSeconds = 1e-9;
    Result result = Optimize(data, options);
    EXPECT_TRUE(result.stoppedEarly);
    ASSERT_EQ(result.placements.size(), 4u);
    for (const Placement& placement : result.placements) {
        Options sized = options;
        sized.sensors = placement.sensors;
        EXPECT_EQ(placement.nodes.size(), static_cast<std::size_t>(placement.sensors));
        EXPECT_LE(placement.bound, BruteForce(data, sized).value + 1e-9);
    }
}

TEST(RunBehaviour, NothingIsWrittenToTheConsoleEvenByTheSolver) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({13, 40, 0.3, 5271});
    Options options;
    options.sensors = 4;
    options.exact = true;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Result result = Optimize(scenarios.Data(), options);
    std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.placements.at(0).exact, ExactStatus::Optimal);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
}

// Event 0 is injected where nothing flows: no node detects it, and its
// undetected impact is the largest. Of the others, only node 2 detects all.
TEST(RunBehaviour, AnUndetectableEventFixesTheWorstCaseForEverySet) {
    std::vector<std::uint8_t> detected = {0, 0, 0, 1, 1, 1, 0, 1, 1, 1, 0, 1};
    std::vector<float> impact = {0, 0, 0, 4, 7, 5, 0, 2, 9, 3, 0, 5};
    ScenarioData data{4, 3, detected.data(), impact.data(), {100, 50, 50, 50}, {}};
    Options options;
    options.statistic = Statistic::Worst;
    Result all = Optimize(data, options);
    EXPECT_EQ(all.undetectableEvents, 1);
    EXPECT_TRUE(all.SameForEverySet(Statistic::Worst));
    EXPECT_EQ(all.placements.at(0).value, 100.0);
    EXPECT_TRUE(all.placements.at(0).provenOptimal);
    EXPECT_FALSE(all.SameForEverySet(Statistic::Mean));

    options.detectableOnly = true;
    Result detectable = Optimize(data, options);
    EXPECT_EQ(detectable.undetectableEvents, 1);
    EXPECT_EQ(detectable.placements.at(0).figures.events, 3);
    EXPECT_FALSE(detectable.SameForEverySet(Statistic::Worst));
    EXPECT_EQ(detectable.placements.at(0).nodes, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(detectable.placements.at(0).value, 9.0);
    EXPECT_TRUE(detectable.placements.at(0).provenOptimal);
}

TEST(RunBehaviour, ACurveWithFixedSensorsStartsAtTheirCount) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({10, 30, 0.35, 33});
    ScenarioData data = scenarios.Data();
    Options options;
    options.sensors = 4;
    options.fixed = {3, 7};
    options.curve = true;
    Result result = Optimize(data, options);
    ASSERT_EQ(result.placements.size(), 3u);
    const Placement& fixedOnly = result.placements.at(0);
    EXPECT_EQ(fixedOnly.sensors, 2);
    EXPECT_EQ(fixedOnly.nodes, (std::vector<std::int32_t>{3, 7}));
    EXPECT_EQ(fixedOnly.value, result.ceiling.mean);
    EXPECT_TRUE(fixedOnly.provenOptimal);
    EXPECT_EQ(result.placements.at(2).sensors, 4);
}

}  // namespace
