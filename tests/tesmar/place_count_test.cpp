// A set never claims more sensors than it holds: when no further node
// improves the objective, the text, the JSON, the curve and the report page
// all give the nodes held, and say how many were asked.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "support/test_support.h"
#include "tool_process.h"

using nlohmann::json;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

TEST(PlacementCount, FewerHelpfulNodesThanAskedAreLabelledAsTheNodesHeldEverywhere) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(8));
    ASSERT_EQ(RunTool({"build", network, "--max-hours", "12", "--mode", "random", "--random-events", "2", "--seed", "4"})
                  .exitCode,
              0);
    const ToolRun run = RunTool({"place", network, "--sensors", "5", "--curve", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json result = json::parse(run.out);
    EXPECT_EQ(result["sensors_asked"], 5);
    const json& placements = result["placements"];
    ASSERT_FALSE(placements.empty());
    int previous = 0;
    for (const json& p : placements) {
        EXPECT_EQ(p["sensors"], p["nodes"].size()) << p;
        EXPECT_GT(p["sensors"].get<int>(), previous) << "one curve row per set size";
        previous = p["sensors"].get<int>();
    }
    ASSERT_LT(previous, 5) << "two events: more than two nodes cannot help";
    const std::string note = "5 sensors were asked, but no node beyond " + std::to_string(previous);
    EXPECT_NE(result["notes"].dump().find(note), std::string::npos) << result["notes"];

    const ToolRun text = RunTool({"place", network, "--sensors", "5", "--curve"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    const std::size_t at = text.out.find("Sensors (" + std::to_string(previous) + "): ");
    ASSERT_NE(at, std::string::npos) << text.out;
    std::istringstream ids(text.out.substr(at, text.out.find('\n', at) - at));
    std::string word;
    int listed = -2;  // "Sensors" and "(n):"
    while (ids >> word) ++listed;
    EXPECT_EQ(listed, previous) << text.out;
    EXPECT_NE(text.out.find(note), std::string::npos) << text.out;
    EXPECT_EQ(text.out.find("\n      5  "), std::string::npos) << "no curve row of 5 sensors\n" << text.out;

    const ToolRun page = RunTool({"report", network, "-o", folder.File("page.html"), "--place", "5"});
    ASSERT_EQ(page.exitCode, 0) << page.err;
    const std::string html = testing_support::ReadText(folder.File("page.html"));
    EXPECT_NE(html.find(note), std::string::npos);
    EXPECT_EQ(html.find("5 sensors:"), std::string::npos) << "no curve point labelled 5 sensors";
    EXPECT_NE(html.find(std::to_string(previous) + " sensors:"), std::string::npos);
}
