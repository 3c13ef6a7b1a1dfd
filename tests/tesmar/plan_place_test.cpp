// `tesmar place` with planning options on network 1's default build: what
// applied is said, the plain figures stay beside the planned ones, the
// exact model agrees with the heuristic, and every bad planning input is
// refused naming the file and line or the text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>

#include <nlohmann/json.hpp>

#include "support/test_support.h"
#include "network_one_set.h"
#include "tool_process.h"

using nlohmann::json;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

class NetworkOnePlanning : public tesmar_testing::NetworkOneSet {
protected:
    static void SetUpTestSuite() {
        NetworkOneSet::SetUpTestSuite();
        // Costs 1 to 4 by the node's number; every third event four times as likely.
        std::string costs = "node,cost\n";
        for (int n = 1; n <= 126; ++n) costs += "J" + std::to_string(n) + "," + std::to_string(1 + n % 4) + "\n";
        testing_support::WriteText(folder_->File("costs.csv"), costs);
        std::string weights = "event,weight\n";
        for (int e = 1; e <= 288; ++e) weights += std::to_string(e) + (e % 3 == 0 ? ",4\n" : ",1\n");
        testing_support::WriteText(folder_->File("weights.csv"), weights);
    }
};

}  // namespace

TEST_F(NetworkOnePlanning, BudgetWithWeightsIsProvenByTheExactModelAndKeepsThePlainFigures) {
    const std::vector<std::string> request{"--costs", File("costs.csv"), "--budget", "12", "--weights", File("weights.csv")};
    const json heuristic = Place(request);
    std::vector<std::string> exactRequest = request;
    exactRequest.push_back("--exact");
    const json exact = Place(exactRequest);
    ASSERT_EQ(heuristic["planning"].size(), 3u) << heuristic["planning"];
    const json& h = heuristic["placements"][0];
    const json& x = exact["placements"][0];
    EXPECT_EQ(x["exact"], "optimal");
    EXPECT_NEAR(h["value"].get<double>(), x["value"].get<double>(), 1e-6 * x["value"].get<double>());
    EXPECT_LE(h["bound"].get<double>(), x["value"].get<double>() * (1 + 1e-9));
    EXPECT_LE(h["plan"]["cost"].get<double>(), 12.0);
    EXPECT_EQ(h["plan"]["budget"].get<double>(), 12.0);
    // The value is the weighted mean; the plain figures weigh every event alike.
    EXPECT_EQ(h["value"], h["plan"]["figures"]["mean"]);
    EXPECT_NE(h["value"], h["figures"]["mean"]);
    EXPECT_EQ(h["figures"]["detected"], h["fitness"]["detected"]);
}

TEST_F(NetworkOnePlanning, RequirementsAreMetOrReportedAsUnreachable) {
    const json met = Place({"--sensors", "6", "--require", "detected>=0.85", "--require", "z2.mean<=2000"});
    const json& p = met["placements"][0];
    EXPECT_TRUE(p["plan"]["meets_requirements"].get<bool>()) << p;
    ASSERT_EQ(p["plan"]["requirements"].size(), 2u);
    EXPECT_GE(p["plan"]["requirements"][0]["value"].get<double>(), 0.85);
    EXPECT_GE(p["figures"]["detected_fraction"].get<double>(), 0.85);
    EXPECT_LE(p["plan"]["requirements"][1]["value"].get<double>(), 2000.0);

    // 3 of 288 events are detected by no node: no set detects 99.5 %.
    const json unreachable = Place({"--sensors", "4", "--require", "detected>=0.995"});
    const json& r = unreachable["placements"][0]["plan"];
    EXPECT_FALSE(r["meets_requirements"].get<bool>());
    EXPECT_TRUE(r["requirements"][0]["proven_infeasible"].get<bool>());
    EXPECT_LT(r["requirements"][0]["best_reachable"].get<double>(), 0.995);
    const ToolRun text = RunTool({"place", network_, "--sensors", "4", "--require", "detected>=0.995"});
    EXPECT_NE(text.out.find("(proven: no set meets it)"), std::string::npos) << text.out;
}

TEST_F(NetworkOnePlanning, RedundancyAndFailuresOnlyRaiseTheValue) {
    const json plain = Place({"--sensors", "5"});
    const json twice = Place({"--sensors", "5", "--redundancy", "2"});
    const json failing = Place({"--sensors", "5", "--failure-probability", "0.25"});
    const double best = plain["placements"][0]["value"].get<double>();
    for (const json* answer : {&twice, &failing}) {
        const json& p = (*answer)["placements"][0];
        EXPECT_GT(p["value"].get<double>(), best);
        EXPECT_LE(p["bound"].get<double>(), p["value"].get<double>());
    }
}

struct BadPlan {
    const char* name;
    std::vector<std::string> options;
    const char* message;
};

class BadPlanning : public NetworkOnePlanning, public ::testing::WithParamInterface<BadPlan> {};

TEST_P(BadPlanning, ExitsTwoNamingTheFileLineOrText) {
    testing_support::WriteText(File("unknown.csv"), "node,cost\nJ1,2\nQ7,3\n");
    testing_support::WriteText(File("negative.csv"), "J1,2\nJ2,-1\n");
    testing_support::WriteText(File("firstbad.csv"), "J1,cheap\nJ2,1\n");
    testing_support::WriteText(File("word.csv"), "event,weight\n1,1\n2,heavy\n");
    testing_support::WriteText(File("few.csv"), "1,1\n2,1\n");
    testing_support::WriteText(File("expensive.csv"), "J1,5\n");
    ::mkfifo(File("pipe.csv").c_str(), 0600);
    std::vector<std::string> args{"place", network_};
    for (const std::string& option : GetParam().options)
        args.push_back(option.size() > 4 && option.substr(option.size() - 4) == ".csv" ? File(option.c_str()) : option);
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 2) << run.out;
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadPlanning,
    ::testing::Values(
        BadPlan{"UnknownNode", {"--sensors", "2", "--costs", "unknown.csv"}, "unknown.csv line 3: no such node: 'Q7'"},
        BadPlan{"NegativeCost", {"--sensors", "2", "--costs", "negative.csv"}, "negative.csv line 2: the cost '-1'"},
        BadPlan{"WordOnTheFirstLine", {"--sensors", "2", "--costs", "firstbad.csv"}, "firstbad.csv line 1: the cost 'cheap'"},
        BadPlan{"WordForAWeight", {"--sensors", "2", "--weights", "word.csv"}, "word.csv line 3: the weight 'heavy'"},
        BadPlan{"EventsWithoutWeight", {"--sensors", "2", "--weights", "few.csv"}, "no weight to 286 of the 288"},
        BadPlan{"BudgetBelowTheCheapest", {"--costs", "expensive.csv", "--default-cost", "3", "--budget", "2"},
                "below the cheapest node's cost, 3"},
        BadPlan{"MalformedRequirement", {"--sensors", "2", "--require", "z5.mean<=3"}, "--require 'z5.mean<=3'"},
        BadPlan{"DetectedAboveOne", {"--sensors", "2", "--require", "detected>=1.5"}, "--require 'detected>=1.5'"},
        BadPlan{"CertainFailure", {"--sensors", "2", "--failure-probability", "1"}, "--failure-probability must lie in [0, 1)"},
        BadPlan{"NotARegularFile", {"--sensors", "2", "--costs", "pipe.csv"}, "it is a FIFO, not a regular file"},
        BadPlan{"NoCountNorBudget", {"--costs", "expensive.csv"}, "give --sensors K, --budget B or both"}),
    [](const ::testing::TestParamInfo<BadPlan>& info) { return std::string(info.param.name); });

TEST_F(NetworkOnePlanning, ABudgetCurveKeepsEveryBudgetAndTheReportListsThePlan) {
    const json curve = Place({"--sensors", "5", "--curve", "--costs", File("costs.csv"), "--budget", "8", "--budget-steps", "4"});
    ASSERT_EQ(curve["placements"].size(), 4u);  // budgets 2, 4, 6, 8: each above the cheapest node
    double previous = INFINITY;
    for (std::size_t i = 0; i < 4; ++i) {
        const json& p = curve["placements"][i];
        EXPECT_EQ(p["plan"]["budget"].get<double>(), 2.0 * static_cast<double>(i + 1));
        EXPECT_LE(p["plan"]["cost"].get<double>(), p["plan"]["budget"].get<double>());
        EXPECT_LE(p["value"].get<double>(), previous * (1 + 1e-9)) << "a larger budget gave a worse set";
        previous = p["value"].get<double>();
    }
    const std::string page = File("plan.html");
    const ToolRun report = RunTool({"report", network_, "-o", page, "--place", "4", "--costs", File("costs.csv"),
                                    "--budget", "6", "--require", "detected>=0.8"});
    ASSERT_EQ(report.exitCode, 0) << report.err;
    const std::string html = testing_support::ReadText(page);
    for (const char* text : {"budget 6 (costs from", "Requirement detected&gt;=0.8", "Planned detected share"})
        EXPECT_NE(html.find(text), std::string::npos) << text;
}
