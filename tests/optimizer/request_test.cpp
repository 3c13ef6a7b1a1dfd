// Requests the optimizer refuses, each with RequestError naming the fault.
#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "optimizer/optimizer.h"
#include "synthetic/uniform_scenarios.h"

using namespace optimizer;

namespace {

struct BadRequest {
    const char* what;
    std::function<void(ScenarioData&, Options&)> spoil;
    const char* message;  // part of the error message
};

TEST(Request, EveryBadRequestIsRefusedWithItsReason) {
    synthetic::ScenarioSet scenarios = synthetic::UniformScenarios({8, 20, 0.5, 7});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<BadRequest> cases = {
        {"negative fixed node", [](ScenarioData&, Options& o) { o.fixed = {-1}; }, "fixed node 0 is not a node of the data (1 to 8)"},
        {"fixed node past the last", [](ScenarioData&, Options& o) { o.fixed = {8}; }, "fixed node 9"},
        {"excluded node past the last", [](ScenarioData&, Options& o) { o.excluded = {12}; }, "excluded node 13"},
        {"candidate past the last", [](ScenarioData&, Options& o) { o.candidates = std::vector<std::int32_t>{1, 99}; }, "candidate node 100"},
        {"empty candidate list", [](ScenarioData&, Options& o) { o.candidates = std::vector<std::int32_t>{}; }, "candidate list is empty"},
        {"more sensors than nodes", [](ScenarioData&, Options& o) { o.sensors = 9; }, "only 8 nodes"},
        {"more sensors than candidates and fixed",
         [](ScenarioData&, Options& o) { o.sensors = 4, o.candidates = std::vector<std::int32_t>{1, 2}, o.fixed = {5}; }, "only 3 nodes"},
        {"excluded nodes leave too few", [](ScenarioData&, Options& o) { o.sensors = 7, o.excluded = {0, 1}; }, "only 6 nodes"},
        {"fewer sensors than fixed", [](ScenarioData&, Options& o) { o.sensors = 1, o.fixed = {2, 3}; }, "2 fixed"},
        {"no sensor", [](ScenarioData&, Options& o) { o.sensors = 0; }, "at least one sensor"},
        {"node both fixed and excluded", [](ScenarioData&, Options& o) { o.sensors = 2, o.fixed = {3}, o.excluded = {3}; }, "node 4 is both fixed and excluded"},
        {"alpha zero", [](ScenarioData&, Options& o) { o.alpha = 0; }, "alpha"},
        {"alpha one", [](ScenarioData&, Options& o) { o.alpha = 1; }, "alpha"},
        {"alpha not a number", [nan](ScenarioData&, Options& o) { o.alpha = nan; }, "alpha"},
        {"negative threads", [](ScenarioData&, Options& o) { o.threads = -1; }, "thread"},
        {"negative time limit", [](ScenarioData&, Options& o) { o.timeLimitSeconds = -1; }, "time limit"},
        {"no events", [](ScenarioData& d, Options&) { d.nEvents = 0; }, "no events"},
        {"no nodes", [](ScenarioData& d, Options&) { d.nNodes = 0; }, "no nodes"},
        {"no detection matrix", [](ScenarioData& d, Options&) { d.detected = nullptr; }, "detection matrix"},
        {"no impact matrix", [](ScenarioData& d, Options&) { d.impact = nullptr; }, "impact matrix"},
        {"undetected impacts missing", [](ScenarioData& d, Options&) { d.undetectedImpact.pop_back(); }, "19 undetected impacts for 20 events"},
        {"undetected impact not finite", [nan](ScenarioData& d, Options&) { d.undetectedImpact[4] = nan; }, "event 5"},
    };
    for (const BadRequest& c : cases) {
        SCOPED_TRACE(c.what);
        ScenarioData data = scenarios.Data();
        Options options;
        options.sensors = 2;
        c.spoil(data, options);
        try {
            Optimize(data, options);
            ADD_FAILURE() << "accepted";
        } catch (const RequestError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

// Events and nodes are named as every program names them: events from 1,
// nodes by their IDs when the data has them, else from 1.
TEST(Request, AnImpactThatIsNotANumberIsRefusedNamingItsCell) {
    std::vector<std::uint8_t> detected = {1, 0, 1, 1};
    std::vector<float> impact = {3, 0, 5, std::numeric_limits<float>::infinity()};
    const std::vector<std::string> ids{"A", "B\x1b"};
    for (bool named : {false, true}) {
        ScenarioData data{2, 2, detected.data(), impact.data(), {9, 9}, {}};
        if (named) data.nodeIds = ids;
        Options options;
        try {
            Optimize(data, options);
            ADD_FAILURE() << "accepted";
        } catch (const RequestError& error) {
            EXPECT_NE(std::string(error.what()).find(named ? "event 2 at node B\\x1b" : "event 2 at node 2"),
                      std::string::npos)
                << error.what();
        }
    }
}

TEST(Request, DetectionNeedsNeitherImpactsNorUndetectedImpacts) {
    std::vector<std::uint8_t> detected = {1, 0, 0, 1, 0, 0};
    ScenarioData data{3, 2, detected.data(), nullptr, {}, {}};
    Options options;
    options.objective = Objective::Detection;
    options.sensors = 2;
    Placement placement = Optimize(data, options).placements.at(0);
    EXPECT_EQ(placement.figures.detected, 2);
    EXPECT_DOUBLE_EQ(placement.value, 1.0 / 3.0);
}

TEST(Request, CountingOnlyDetectableEventsNeedsOneThatIsDetectable) {
    std::vector<std::uint8_t> detected = {0, 1, 0, 0};  // only node 1 detects anything
    std::vector<float> impact = {0, 2, 0, 0};
    ScenarioData data{2, 2, detected.data(), impact.data(), {5, 5}, {}};
    Options options;
    options.detectableOnly = true;
    options.excluded = {1};
    EXPECT_THROW(Optimize(data, options), RequestError);
    options.excluded.clear();
    EXPECT_EQ(Optimize(data, options).placements.at(0).figures.events, 1);
}

}  // namespace
