// The planning model's figures: failing sensors against a Monte-Carlo
// simulation, weighted statistics against the plain ones, and the requests
// the model refuses.
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "optimizer/plan_model.h"
#include "optimizer/planner.h"
#include "optimizer/request_error.h"
#include "optimizer/statistics.h"
#include "optimizer/weighted_statistics.h"
#include "synthetic/uniform_scenarios.h"

using namespace optimizer;

namespace {

PlanModel ModelOf(const ScenarioData& data, const Options& options, const PlanOptions& plan) {
    return BuildPlanModel(data, options, plan, ValidateRequest(data, options));
}

// The mean over the events of the impact at the R-th working detecting
// sensor, each sensor working or not at random, over many trials.
double SimulatedMean(const ScenarioData& data, const std::vector<std::int32_t>& nodes, const std::vector<double>& failure,
                     std::int32_t redundancy, int trials, double& standardError) {
    std::mt19937_64 random(99);
    std::uniform_real_distribution<double> unit(0, 1);
    double sum = 0, squares = 0;
    for (int t = 0; t < trials; ++t) {
        double total = 0;
        for (std::int32_t e = 0; e < data.nEvents; ++e) {
            std::vector<double> impacts;
            for (std::int32_t n : nodes) {
                auto cell = static_cast<std::size_t>(e * data.nNodes + n);
                if (data.detected[cell] && unit(random) >= failure[static_cast<std::size_t>(n)]) impacts.push_back(data.impact[cell]);
            }
            double u = data.undetectedImpact[static_cast<std::size_t>(e)];
            std::sort(impacts.begin(), impacts.end());
            total += static_cast<std::int32_t>(impacts.size()) >= redundancy ? std::min(u, impacts[static_cast<std::size_t>(redundancy - 1)]) : u;
        }
        double mean = total / data.nEvents;
        sum += mean;
        squares += mean * mean;
    }
    double mean = sum / trials;
    standardError = std::sqrt(std::max(0.0, squares / trials - mean * mean) / trials);
    return mean;
}

}  // namespace

TEST(PlanModel, FailingSensorsMatchASimulation) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({10, 30, 0.5, 4});
    ScenarioData data = scenarios.Data();
    Options options;
    options.sensors = 5;
    for (std::int32_t redundancy : {1, 2}) {
        PlanOptions plan;
        plan.redundancy = redundancy;
        plan.nodeFailure = {0.25, 0.1, 0.5, 0.25, 0.0, 0.3, 0.25, 0.7, 0.25, 0.25};
        PlanModel model = ModelOf(data, options, plan);
        std::vector<std::int32_t> selection{1, 3, 4, 7, 8};  // no fixed nodes: columns are nodes
        std::vector<std::int32_t> nodes;
        for (std::int32_t c : selection) nodes.push_back(model.columnNode[static_cast<std::size_t>(c)]);
        double error = 0;
        double simulated = SimulatedMean(data, nodes, plan.nodeFailure, redundancy, 20000, error);
        double computed = PlanFigures(model, selection).mean;
        EXPECT_NEAR(computed, simulated, 4 * error + 1e-9) << "redundancy " << redundancy;
        EXPECT_GT(error, 0);
    }
}

TEST(PlanModel, EqualWeightsGiveThePlainStatistics) {
    std::mt19937_64 random(5);
    std::uniform_int_distribution<int> value(0, 30);
    for (int n : {1, 7, 20, 33}) {
        std::vector<double> values(static_cast<std::size_t>(n)), weights(static_cast<std::size_t>(n), 1.0 / n);
        for (double& v : values) v = value(random);
        for (double alpha : {0.5, 0.9, 0.95})
            for (Statistic s : {Statistic::Mean, Statistic::VaR, Statistic::CVaR, Statistic::Worst})
                EXPECT_NEAR(WeightedStatistic(s, values, weights, alpha), StatisticOf(s, values, alpha), 1e-9)
                    << n << " values, alpha " << alpha << ", statistic " << static_cast<int>(s);
    }
}

TEST(PlanModel, RefusesRequestsThatCannotBeMet) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({6, 12, 0.5, 2});
    ScenarioData data = scenarios.Data();
    Options options;
    options.sensors = 2;
    auto refused = [&](const PlanOptions& plan, const char* words) {
        try {
            ModelOf(data, options, plan);
            ADD_FAILURE() << "accepted; expected a refusal naming " << words;
        } catch (const RequestError& e) {
            EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
        }
    };
    PlanOptions cheap;
    cheap.nodeCost = {2, 3, 4, 2.5, 5, 6};
    cheap.budget = 1.5;
    refused(cheap, "cheapest");
    PlanOptions zero;
    zero.eventWeight.assign(12, 0.0);
    refused(zero, "add up to 0");
    PlanOptions negative;
    negative.nodeCost = {1, 1, -1, 1, 1, 1};
    refused(negative, "cost of node 3");
    PlanOptions failing;
    failing.nodeFailure = {0, 0, 0, 1, 0, 0};
    refused(failing, "failure chance of node 4");
    PlanOptions fixedCost;
    fixedCost.nodeCost = {4, 1, 1, 1, 1, 1};
    fixedCost.budget = 3;
    options.fixed = {0};
    refused(fixedCost, "fixed sensors");
}

TEST(PlanModel, BudgetCurveRisesWithTheBudget) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({8, 24, 0.35, 6});
    ScenarioData data = scenarios.Data();
    Options options;
    options.curve = true;
    options.threads = 1;
    PlanOptions plan;
    plan.sensorsGiven = false;
    plan.nodeCost = {1, 2, 1.5, 3, 0.5, 2, 1, 2.5};
    plan.budget = 6;
    plan.budgetSteps = {1.5, 3, 4.5, 6};
    Result result = Plan(data, options, plan);
    ASSERT_EQ(result.placements.size(), 4u);
    for (std::size_t i = 0; i < result.placements.size(); ++i) {
        const Placement& p = result.placements[i];
        EXPECT_EQ(p.plan.budget, plan.budgetSteps[i]);
        EXPECT_LE(p.plan.cost, p.plan.budget + 1e-9);
        if (i > 0) {
            EXPECT_LE(p.bound, result.placements[i - 1].value + 1e-9);
        }
    }
}
