// `tesmar fitness` on matrices small enough to check by hand.
#include <gtest/gtest.h>

#include <cstdio>

#include "matrix_writing.h"
#include "support/test_support.h"
#include "tool_process.h"

using tesmar_testing::MatrixText;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

// Chain network J1..J3 with reservoir R1 and three events:
//   event 1: J1 detects (Z1 10, Z2 5, Z3 100);
//   event 2: J1 and J2 detect (Z1 45 / 30, Z2 9 / 7.5, Z3 101 / 150);
//   event 3: nobody detects.
class TesmarFitness : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::WriteText(network_, testing_support::ChainNetwork(3));
        const std::vector<std::string> ids{"J1", "J2", "J3", "R1"};
        Write(1, MatrixText(ids, {{"10", "11520", "11520", "11520"},
                                  {"45", "30", "11520", "11520"},
                                  {"11520", "11520", "11520", "11520"}}));
        Write(2, MatrixText(ids, {{"5", "-1", "-1", "-1"}, {"9", "7.5", "-1", "-1"}, {"-1", "-1", "-1", "-1"}}));
        Write(3, MatrixText(ids, {{"100", "-1", "-1", "-1"}, {"101", "150", "-1", "-1"}, {"-1", "-1", "-1", "-1"}}));
        Write(4, MatrixText(ids, {{"1", "0", "0", "0"}, {"1", "1", "0", "0"}, {"0", "0", "0", "0"}}));
    }

    void Write(int k, const std::string& text) { testing_support::WriteText(network_ + ".z" + std::to_string(k), text); }

    ToolRun Fitness(std::vector<std::string> args) {
        args.insert(args.begin(), {"fitness", network_});
        return RunTool(args);
    }

    testing_support::ScratchFolder folder_;
    std::string network_ = folder_.File("chain.inp");
};

}  // namespace

TEST_F(TesmarFitness, LinesOfTwoSensorsAsTheWindowShowsThem) {
    const ToolRun run = Fitness({"J1", "J2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Best per detected event: Z1 10 and 30, Z2 5 and 7.5, Z3 100 and 101.
    EXPECT_EQ(run.out,
              "Z1 = 20.0  (SD = 10)\n"
              "Z2 = 6.25  (SD = 1.25)\n"
              "Z3 = 100.5  (SD = 0.5)\n"
              "Z4 = 0.667  (2/3)\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(TesmarFitness, IdsIgnoreLetterCaseAndRepeatsChangeNothing) {
    const ToolRun run = Fitness({"j2", "J2", "j2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "Z1 = 30.0  (SD = 0)\n"
              "Z2 = 7.5  (SD = 0)\n"
              "Z3 = 150.0  (SD = 0)\n"
              "Z4 = 0.333  (1/3)\n");
}

TEST_F(TesmarFitness, NotAvailableWhereNothingIsDetectedOrTheZ2FileIsMissing) {
    const ToolRun none = Fitness({"J3", "R1"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_EQ(none.out, "Z1 = Not available\nZ2 = Not available\nZ3 = Not available\nZ4 = 0.0  (0/3)\n");
    EXPECT_NE(none.err.find("Z1 is not available: the selected nodes detect no event"), std::string::npos) << none.err;

    std::remove((network_ + ".z2").c_str());
    const ToolRun withoutZ2 = Fitness({"J1"});
    ASSERT_EQ(withoutZ2.exitCode, 0) << withoutZ2.err;
    EXPECT_EQ(withoutZ2.out,
              "Z1 = 27.5  (SD = 17.5)\n"
              "Z2 = Not available\n"
              "Z3 = 100.5  (SD = 0.5)\n"
              "Z4 = 0.667  (2/3)\n");
}

TEST_F(TesmarFitness, JsonHoldsValuesDeviationsAndCounts) {
    const ToolRun run = Fitness({"J1", "J2", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "{\"network\": \"" + network_ +
                           "\", \"sensors\": [\"J1\", \"J2\"], \"events\": 3, \"detected\": 2, "
                           "\"Z1\": {\"available\": true, \"value\": 20, \"sd\": 10}, "
                           "\"Z2\": {\"available\": true, \"value\": 6.25, \"sd\": 1.25}, "
                           "\"Z3\": {\"available\": true, \"value\": 100.5, \"sd\": 0.5}, "
                           "\"Z4\": {\"available\": true, \"value\": 0.6666667}, "
                           "\"partial\": null, \"build_unfinished\": null}\n");

    const ToolRun none = Fitness({"--json", "J3"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_NE(none.out.find("\"Z1\": {\"available\": false, \"value\": null, \"sd\": null, "
                            "\"reason\": \"the selected nodes detect no event\"}"),
              std::string::npos)
        << none.out;
    EXPECT_NE(none.out.find("\"detected\": 0"), std::string::npos) << none.out;
}

TEST_F(TesmarFitness, ReadsTheFilesABuildWrote) {
    testing_support::ScratchFolder built;
    const std::string network = built.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(3));
    ASSERT_EQ(RunTool({"build", network, "--seed", "4", "--repeat", "1"}).exitCode, 0);
    // Every node detects an injection at itself, so all four nodes see every event.
    const ToolRun run = RunTool({"fitness", network, "J1", "J2", "J3", "R1"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Z4 = 1.0  (4/4)\n"), std::string::npos) << run.out;
}

// The binary form gives the same figures as the text; a set built from
// another network is refused.
TEST(TesmarStore, BinaryAndTextGiveTheSameFiguresAndOtherNetworksAreRefused) {
    testing_support::ScratchFolder built;
    const std::string network = built.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(6));
    ASSERT_EQ(RunTool({"build", network, "--seed", "5", "--mode", "random", "--random-events", "25"}).exitCode, 0);
    const std::vector<std::string> sensors{"fitness", network, "J2", "J5", "--json"};
    const ToolRun fromBinary = RunTool(sensors);
    ASSERT_EQ(fromBinary.exitCode, 0) << fromBinary.err;
    EXPECT_EQ(fromBinary.err, "");
    for (int k = 1; k <= 4; ++k) std::remove((network + ".z" + std::to_string(k) + ".npy").c_str());
    const ToolRun fromText = RunTool(sensors);
    ASSERT_EQ(fromText.exitCode, 0) << fromText.err;
    EXPECT_EQ(fromText.out, fromBinary.out);

    // tesmar convert writes the binary form back; the figures stay.
    const ToolRun convert = RunTool({"convert", network});
    ASSERT_EQ(convert.exitCode, 0) << convert.err;
    EXPECT_EQ(convert.out, network + ".z1.npy\n" + network + ".z2.npy\n" + network + ".z3.npy\n" + network + ".z4.npy\n");
    EXPECT_EQ(RunTool(sensors).out, fromBinary.out);

    // The same nodes in another network file: the manifest tells them apart.
    testing_support::WriteText(network, testing_support::ChainNetwork(6, 12.0));
    const ToolRun other = RunTool(sensors);
    EXPECT_EQ(other.exitCode, 2);
    EXPECT_EQ(other.out, "");
    EXPECT_NE(other.err.find("was built from another network"), std::string::npos) << other.err;
    EXPECT_NE(RunTool({"convert", network}).err.find("built from another network"), std::string::npos);
}
