// Cross-checks of planning requests (costs and budgets, weights,
// requirements, redundancy, failing sensors; alone and together) against
// every sensor set of small random instances, each set's figures computed
// from the definitions: failures by enumerating which sensors work.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "optimizer/optimizer.h"
#include "optimizer/planner.h"
#include "synthetic/uniform_scenarios.h"

using namespace optimizer;

namespace {

constexpr std::int32_t kNodes = 8, kEvents = 16;

double Tolerance(double v) {
    return 1e-6 * std::max(1.0, std::abs(v));
}

bool Detects(const ScenarioData& d, std::int32_t e, std::int32_t n) {
    return d.detected[static_cast<std::size_t>(e * d.nNodes + n)] != 0;
}

// An event's expected value under a set, trying every pattern of working sensors.
double EventValue(const ScenarioData& d, bool detection, std::int32_t e, const std::vector<std::int32_t>& nodes,
                  const std::vector<double>& failure, std::int32_t redundancy, double& detectedChance) {
    double u = detection ? 1.0 : d.undetectedImpact[static_cast<std::size_t>(e)];
    std::vector<std::pair<double, double>> hits;  // impact, failure chance
    for (std::int32_t n : nodes)
        if (Detects(d, e, n))
            hits.emplace_back(detection ? 0.0 : std::min<double>(u, d.impact[static_cast<std::size_t>(e * d.nNodes + n)]),
                              failure.empty() ? 0.0 : failure[static_cast<std::size_t>(n)]);
    std::sort(hits.begin(), hits.end());
    double expected = 0;
    detectedChance = 0;
    for (std::uint32_t pattern = 0; pattern < (1u << hits.size()); ++pattern) {
        double chance = 1, value = u;
        std::int32_t working = 0;
        for (std::size_t i = 0; i < hits.size(); ++i) {
            bool works = (pattern >> i) & 1u;
            chance *= works ? 1 - hits[i].second : hits[i].second;
            if (works && ++working == redundancy) value = hits[i].first;
        }
        expected += chance * value;
        if (working >= redundancy) detectedChance += chance;
    }
    return expected;
}

double WeightedByDefinition(Statistic s, const std::vector<double>& x, const std::vector<double>& w, double alpha) {
    switch (s) {
        case Statistic::Mean: {
            double sum = 0;
            for (std::size_t i = 0; i < x.size(); ++i) sum += w[i] * x[i];
            return sum;
        }
        case Statistic::Worst: {
            double worst = -std::numeric_limits<double>::infinity();
            for (std::size_t i = 0; i < x.size(); ++i)
                if (w[i] > 0) worst = std::max(worst, x[i]);
            return worst;
        }
        case Statistic::VaR: {
            double best = std::numeric_limits<double>::infinity();
            for (double v : x) {
                double below = 0;
                for (std::size_t i = 0; i < x.size(); ++i) below += x[i] <= v ? w[i] : 0;
                if (below >= alpha * (1 - 1e-9)) best = std::min(best, v);
            }
            return best;
        }
        case Statistic::CVaR: {
            double best = std::numeric_limits<double>::infinity();
            for (double t : x) {
                double excess = 0;
                for (std::size_t i = 0; i < x.size(); ++i) excess += w[i] * std::max(0.0, x[i] - t);
                best = std::min(best, t + excess / (1 - alpha));
            }
            return best;
        }
    }
    return 0;
}

// A planning case: the options, and the second measure its requirements may use.
struct Case {
    std::string name;
    Options options;
    PlanOptions plan;
};

struct Reference {
    const ScenarioData& data;
    const ScenarioData& other;
    const Case& c;

    std::vector<double> Weights() const {
        std::vector<double> w;
        for (std::int32_t e = 0; e < data.nEvents; ++e) w.push_back(c.plan.eventWeight.empty() ? 1.0 : c.plan.eventWeight[static_cast<std::size_t>(e)]);
        double sum = 0;
        for (double v : w) sum += v;
        for (double& v : w) v /= sum;
        return w;
    }
    double Statistic_(const ScenarioData& d, bool detection, Statistic s, const std::vector<std::int32_t>& nodes) const {
        std::vector<double> x;
        double chance = 0;
        for (std::int32_t e = 0; e < d.nEvents; ++e)
            x.push_back(EventValue(d, detection, e, nodes, c.plan.nodeFailure, c.plan.redundancy, chance));
        return WeightedByDefinition(s, x, Weights(), c.options.alpha);
    }
    double Objective(const std::vector<std::int32_t>& nodes) const {
        return Statistic_(data, c.options.objective == Objective::Detection, c.options.statistic, nodes);
    }
    // The requirement's figure (detected: the missed share) and its limit.
    std::pair<double, double> Required(const Requirement& r, const std::vector<std::int32_t>& nodes) const {
        if (r.kind == Requirement::Kind::Detected) return {Statistic_(data, true, Statistic::Mean, nodes), 1 - r.limit};
        Statistic s = r.kind == Requirement::Kind::Mean  ? Statistic::Mean
                      : r.kind == Requirement::Kind::VaR ? Statistic::VaR
                      : r.kind == Requirement::Kind::CVaR ? Statistic::CVaR
                                                          : Statistic::Worst;
        return {Statistic_(*r.data, false, s, nodes), r.limit};
    }
    bool Meets(const std::vector<std::int32_t>& nodes) const {
        for (const Requirement& r : c.plan.requirements) {
            auto [v, limit] = Required(r, nodes);
            if (v > limit + Tolerance(limit)) return false;
        }
        return true;
    }
    bool Allowed(const std::vector<std::int32_t>& nodes) const {
        for (std::int32_t f : c.options.fixed)
            if (std::find(nodes.begin(), nodes.end(), f) == nodes.end()) return false;
        if (c.plan.sensorsGiven && static_cast<std::int32_t>(nodes.size()) > c.options.sensors) return false;
        double cost = 0;
        for (std::int32_t n : nodes) cost += c.plan.nodeCost.empty() ? 1.0 : c.plan.nodeCost[static_cast<std::size_t>(n)];
        return !c.plan.budget || cost <= *c.plan.budget + 1e-9;
    }
    // The least figure of a requirement over the allowed sets.
    double BestRequired(const Requirement& r) const {
        double best = std::numeric_limits<double>::infinity();
        ForEachAllowed([&](const std::vector<std::int32_t>& nodes) { best = std::min(best, Required(r, nodes).first); });
        return best;
    }
    template <class Visit>
    void ForEachAllowed(Visit&& visit) const {
        for (std::uint32_t mask = 0; mask < (1u << data.nNodes); ++mask) {
            std::vector<std::int32_t> nodes;
            for (std::int32_t n = 0; n < data.nNodes; ++n)
                if ((mask >> n) & 1u) nodes.push_back(n);
            if (Allowed(nodes)) visit(nodes);
        }
    }
    // The best objective over the allowed sets that meet the requirements (infinity: none).
    double Optimum() const {
        double best = std::numeric_limits<double>::infinity();
        for (std::uint32_t mask = 0; mask < (1u << data.nNodes); ++mask) {
            std::vector<std::int32_t> nodes;
            for (std::int32_t n = 0; n < data.nNodes; ++n)
                if ((mask >> n) & 1u) nodes.push_back(n);
            if (Allowed(nodes) && Meets(nodes)) best = std::min(best, Objective(nodes));
        }
        return best;
    }
};

std::vector<double> RandomValues(std::uint64_t seed, std::size_t n, double low, double high) {
    std::mt19937_64 random(seed);
    std::uniform_real_distribution<double> value(low, high);
    std::vector<double> v(n);
    for (double& x : v) x = std::round(value(random) * 4) / 4;
    return v;
}

std::vector<Case> Cases(std::uint64_t seed, const ScenarioData& other) {
    std::vector<double> costs = RandomValues(seed, kNodes, 0.5, 3);
    std::vector<double> weights = RandomValues(seed + 7, kEvents, 0, 4);
    std::vector<Case> cases;
    auto add = [&](std::string name, auto&& set) {
        Case c;
        c.name = std::move(name);
        c.options.sensors = 3;
        set(c);
        cases.push_back(std::move(c));
    };
    add("budget", [&](Case& c) { c.plan.nodeCost = costs; c.plan.budget = 4; c.plan.sensorsGiven = false; });
    add("budget and count", [&](Case& c) { c.plan.nodeCost = costs; c.plan.budget = 5; c.options.sensors = 2; });
    add("weights", [&](Case& c) { c.plan.eventWeight = weights; });
    add("detected share", [&](Case& c) { c.plan.requirements = {{Requirement::Kind::Detected, 0.7, nullptr, "detected>=0.7"}}; });
    add("other mean", [&](Case& c) { c.plan.requirements = {{Requirement::Kind::Mean, 70, &other, "z2.mean<=70"}}; });
    add("other cvar", [&](Case& c) { c.plan.requirements = {{Requirement::Kind::CVaR, 110, &other, "z2.cvar<=110"}}; });
    add("other worst", [&](Case& c) { c.plan.requirements = {{Requirement::Kind::Worst, 120, &other, "z2.worst<=120"}}; });
    add("unreachable", [&](Case& c) { c.plan.requirements = {{Requirement::Kind::Detected, 0.99, nullptr, "detected>=0.99"}}; });
    add("redundancy", [&](Case& c) { c.plan.redundancy = 2; });
    add("failures", [&](Case& c) { c.plan.nodeFailure.assign(kNodes, 0.25); });
    add("node failures", [&](Case& c) { c.plan.nodeFailure = RandomValues(seed + 3, kNodes, 0, 0.6); });
    add("fixed, budget, weights", [&](Case& c) {
        c.options.fixed = {1};
        c.plan.nodeCost = costs;
        c.plan.budget = 4.5;
        c.plan.eventWeight = weights;
    });
    add("all", [&](Case& c) {
        c.plan.nodeCost = costs;
        c.plan.budget = 6;
        c.options.sensors = 4;
        c.plan.eventWeight = weights;
        c.plan.redundancy = 2;
        c.plan.nodeFailure.assign(kNodes, 0.2);
        c.plan.requirements = {{Requirement::Kind::Detected, 0.5, nullptr, "detected>=0.5"}};
    });
    add("budget, weights, requirement", [&](Case& c) {
        c.plan.nodeCost = costs;
        c.plan.budget = 5;
        c.plan.sensorsGiven = false;
        c.plan.eventWeight = weights;
        c.plan.requirements = {{Requirement::Kind::Mean, 80, &other, "z2.mean<=80"}};
    });
    return cases;
}

void Check(const ScenarioData& data, const ScenarioData& other, Case c, Statistic statistic, bool exact) {
    c.options.statistic = statistic;
    c.options.exact = exact;
    c.options.threads = 1;
    Reference reference{data, other, c};
    double optimum = reference.Optimum();
    Result result = Plan(data, c.options, c.plan);
    ASSERT_EQ(result.placements.size(), 1u);
    const Placement& p = result.placements.front();
    SCOPED_TRACE(c.name + ", statistic " + std::to_string(static_cast<int>(statistic)) + (exact ? ", exact" : ""));
    EXPECT_TRUE(reference.Allowed(p.nodes));
    EXPECT_NEAR(p.value, reference.Objective(p.nodes), Tolerance(p.value));
    EXPECT_EQ(p.plan.feasible, reference.Meets(p.nodes));
    ASSERT_EQ(p.plan.requirements.size(), c.plan.requirements.size());
    for (std::size_t i = 0; i < c.plan.requirements.size(); ++i) {
        const Requirement& r = c.plan.requirements[i];
        double best = reference.BestRequired(r);
        if (r.kind == Requirement::Kind::Detected) {
            EXPECT_GE(p.plan.requirements[i].best, 1 - best - Tolerance(1));
        } else {
            EXPECT_LE(p.plan.requirements[i].best, best + Tolerance(best));
        }
    }
    bool covered = c.plan.redundancy == 1 && c.plan.nodeFailure.empty() && statistic != Statistic::VaR;
    if (exact && covered) {
        EXPECT_EQ(p.exact, ExactStatus::Optimal);
    }
    if (!std::isfinite(optimum)) {
        EXPECT_FALSE(p.plan.feasible);
        if (exact && p.exact == ExactStatus::Optimal) {
            EXPECT_TRUE(std::any_of(p.plan.requirements.begin(), p.plan.requirements.end(),
                                    [](const RequirementAnswer& a) { return a.provenInfeasible; }));
        }
        return;
    }
    EXPECT_FALSE(std::any_of(p.plan.requirements.begin(), p.plan.requirements.end(),
                             [](const RequirementAnswer& a) { return a.provenInfeasible; }));
    if (p.plan.feasible) {
        EXPECT_GE(p.value, optimum - Tolerance(optimum));
    }
    EXPECT_LE(p.bound, optimum + Tolerance(optimum));
    if (exact && p.exact == ExactStatus::Optimal) {
        EXPECT_TRUE(p.plan.feasible);
        EXPECT_NEAR(p.value, optimum, Tolerance(optimum));
    }
}

}  // namespace

TEST(PlanBruteForce, HeuristicBoundAndExactAgainstEverySet) {
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({kNodes, kEvents, 0.35, seed});
        synthetic::ScenarioSet second = synthetic::UniformScenarios({kNodes, kEvents, 0.35, seed + 100});
        ScenarioData data = scenarios.Data(), other = second.Data();
        for (const Case& c : Cases(seed, other))
            for (Statistic s : {Statistic::Mean, Statistic::VaR, Statistic::CVaR, Statistic::Worst})
                for (bool exact : {false, true}) Check(data, other, c, s, exact);
    }
}

// Four nodes costing 1 to 4 under a budget of 5 and two sensors. Events are
// seen by nodes 0 and 2 (three of them), 1 and 3 (five), 2 alone (two) and 3
// alone (one): the greedy starts settle on {0, 3}, no single swap or
// drop-and-refill fits the budget and improves it, and the best set {1, 2}
// is reached only by exchanging 3 for the cheaper 2 and then 0 for the dearer 1.
TEST(PlanBruteForce, FullBudgetExchangesInPairs) {
    const std::vector<std::vector<std::int32_t>> seenBy{{0, 2}, {0, 2}, {0, 2}, {1, 3}, {1, 3}, {1, 3},
                                                        {1, 3}, {1, 3}, {2}, {2}, {3}};
    ScenarioData data;
    data.nNodes = 4;
    data.nEvents = static_cast<std::int32_t>(seenBy.size());
    std::vector<std::uint8_t> detected(seenBy.size() * 4, 0);
    std::vector<float> impact(seenBy.size() * 4, 0);
    for (std::size_t e = 0; e < seenBy.size(); ++e)
        for (std::int32_t n : seenBy[e]) detected[e * 4 + static_cast<std::size_t>(n)] = 1;
    data.detected = detected.data();
    data.impact = impact.data();
    data.undetectedImpact.assign(seenBy.size(), 100);
    Case c;
    c.name = "full budget";
    c.options.sensors = 2;
    c.options.threads = 1;
    c.plan.nodeCost = {1, 2, 3, 4};
    c.plan.budget = 5;
    Reference reference{data, data, c};
    Result result = Plan(data, c.options, c.plan);
    ASSERT_EQ(result.placements.size(), 1u);
    EXPECT_EQ(result.placements.front().nodes, (std::vector<std::int32_t>{1, 2}));
    EXPECT_NEAR(result.placements.front().value, reference.Optimum(), Tolerance(1));
}
