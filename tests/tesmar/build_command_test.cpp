// `tesmar build` end to end: reproducible files, the same bytes as the
// engine writes through its own interface, and what goes to each stream.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "builder/build.h"
#include "builder/builder_fixture.h"
#include "matrix_writing.h"
#include "support/test_support.h"
#include "tool_process.h"

using testing_support::ChainNetwork;
using testing_support::ScratchFolder;
using testing_support::WriteText;
using tesmar_testing::MatrixTexts;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

// Builds a chain network in its own folder and returns the tool's run.
ToolRun BuildIn(const ScratchFolder& folder, const std::vector<std::string>& options, int junctions = 4) {
    const std::string network = folder.File("chain.inp");
    WriteText(network, ChainNetwork(junctions));
    std::vector<std::string> args{"build", network};
    args.insert(args.end(), options.begin(), options.end());
    return RunTool(args);
}

std::size_t RecordCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++count;
    return count;
}

const std::vector<std::string> kRandomSet{"--mode", "random", "--random-events", "30", "--injections", "2"};

std::vector<std::string> With(std::vector<std::string> options, const std::vector<std::string>& more) {
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

}  // namespace

TEST(TesmarBuild, SameSeedGivesIdenticalFilesAndAnotherSeedOtherFiles) {
    ScratchFolder first, second, third;
    ASSERT_EQ(BuildIn(first, With(kRandomSet, {"--seed", "7"})).exitCode, 0);
    ASSERT_EQ(BuildIn(second, With(kRandomSet, {"--seed", "7", "--threads", "1"})).exitCode, 0);
    ASSERT_EQ(BuildIn(third, With(kRandomSet, {"--seed", "8"})).exitCode, 0);

    const auto a = MatrixTexts(first.File("chain.inp"));
    const auto b = MatrixTexts(second.File("chain.inp"));
    const auto c = MatrixTexts(third.File("chain.inp"));
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(RecordCount(a[k]), 31u) << "file .z" << k + 1;  // header and 30 events
        EXPECT_EQ(a[k], b[k]) << "file .z" << k + 1;
    }
    EXPECT_NE(a[0], c[0]);  // other injection nodes and times
}

TEST(TesmarBuild, ClockSeedIsPrintedAndRepeatsTheRun) {
    ScratchFolder first, second;
    const ToolRun run = BuildIn(first, kRandomSet);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.err, match, std::regex("--seed ([0-9]+)"))) << run.err;
    ASSERT_EQ(BuildIn(second, With(kRandomSet, {"--seed", match[1].str()})).exitCode, 0);
    EXPECT_EQ(MatrixTexts(first.File("chain.inp")), MatrixTexts(second.File("chain.inp")));
}

TEST(TesmarBuild, StandardOutputHoldsOnlyTheWrittenFiles) {
    ScratchFolder folder, withoutZ2;
    const std::string network = folder.File("chain.inp");
    const ToolRun run = BuildIn(folder, {"--seed", "3"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, network + ".z1\n" + network + ".z2\n" + network + ".z3\n" + network + ".z4\n");
    EXPECT_NE(run.err.find("events written"), std::string::npos) << run.err;

    const ToolRun noZ2 = BuildIn(withoutZ2, {"--seed", "3", "--no-z2"});
    ASSERT_EQ(noZ2.exitCode, 0) << noZ2.err;
    EXPECT_EQ(noZ2.out.find(".z2"), std::string::npos) << noZ2.out;
    EXPECT_EQ(tesmar_testing::MatrixFilesIn(withoutZ2.path()).size(), 3u);
}

TEST(TesmarBuild, RelativeNetworkPathWritesBesideTheNetwork) {
    ScratchFolder folder;
    WriteText(folder.File("nets/chain.inp"), ChainNetwork(3));
    const ToolRun run = RunTool({"build", "nets/chain.inp", "--seed", "5", "--repeat", "1"}, folder.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(tesmar_testing::MatrixFilesIn(folder.File("nets")).size(), 4u);
    EXPECT_EQ(run.out.rfind(folder.File("nets/chain.inp.z1") + "\n", 0), 0u) << run.out;
}

TEST(TesmarBuild, ModelFailureWhileRunningExitsOneWithWholeRecords) {
    ScratchFolder folder;
    // The dose overflows single precision at the first detection.
    const ToolRun run = BuildIn(folder, {"--seed", "1", "--ingestion-rate", "3e38"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("dose-response model is undefined"), std::string::npos) << run.err;
    for (const std::string& text : MatrixTexts(folder.File("chain.inp"))) {
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
}

// ---- The tool's files against the engine driven in this process ----------

namespace {

struct EngineCase {
    std::string name;
    int junctions;
    std::vector<std::string> options;
    std::function<void(builder::BuildDescription&)> describe;  // changes from the window's defaults
};

void PrintTo(const EngineCase& c, std::ostream* os) { *os << c.name; }

class TesmarMatchesEngine : public ::testing::TestWithParam<EngineCase> {};

constexpr const char* kSeed = "20240607";

}  // namespace

TEST_P(TesmarMatchesEngine, FilesAreByteIdentical) {
    const EngineCase& c = GetParam();
    ScratchFolder engineFolder, toolFolder;
    const network::Network net = builder_testing::LoadNetwork(engineFolder, "chain.inp", ChainNetwork(c.junctions));
    builder::BuildDescription description = builder_testing::Reference(std::stoull(kSeed));
    c.describe(description);
    const builder::BuildOutcome outcome = builder::RunBuild(net, description);
    ASSERT_EQ(outcome.status, builder::BuildStatus::Completed) << outcome.reason;

    const ToolRun run = BuildIn(toolFolder, With(c.options, {"--seed", kSeed}), c.junctions);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto expected = MatrixTexts(net.path);
    const auto actual = MatrixTexts(toolFolder.File("chain.inp"));
    const bool noZ2 = description.parameters.NoZ2;
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(actual[k], expected[k]) << "file .z" << k + 1;
        EXPECT_EQ(RecordCount(actual[k]), k == 1 && noZ2 ? 0u : outcome.eventsWritten + 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Modes, TesmarMatchesEngine,
    ::testing::Values(
        EngineCase{"WindowDefaultsOnTwoThreads", 4, {"--threads", "2"}, [](builder::BuildDescription&) {}},
        EngineCase{"RandomEventsWithEveryOptionReference",
                   4,
                   {"--reference", "--mode", "random", "--random-events", "12", "--injections", "3",
                    "--injection-hours", "1", "--mass-flow", "1000.5", "--max-hours", "30", "--sensitivity", "0.001",
                    "--ingestion-rate", "1.5", "--body-weight", "80", "--d50", "35", "--beta", "0.5",
                    "--per-capita", "250"},
                   [](builder::BuildDescription& d) {
                       builder::RunParameters& p = d.parameters;
                       p.Mode = builder::EventMode::RandomEvents;
                       p.nRandomEvents = 12;
                       p.nInjectionsPerEvent = 3;
                       p.InjectionDuration = 1;
                       p.InjectionMassFlow = 1000;  // 1000.5 rounds to even, as the window reads it
                       p.MaxSimDuration = 30;
                       p.DetectionSensitivity = 0.001f;
                       p.IngestionRate = 1.5f;
                       p.BodyWeight = 80.0f;
                       p.D50 = 35.0f;
                       p.Beta = 0.5f;
                       p.PerCapitaConsumption = 250.0f;
                   }},
        EngineCase{"AllTimesWithoutZ2",
                   2,
                   {"--mode", "all-times", "--no-z2", "--max-hours", "3"},
                   [](builder::BuildDescription& d) {
                       d.parameters.Mode = builder::EventMode::AllNodesAllTimes;
                       d.parameters.NoZ2 = true;
                       d.parameters.MaxSimDuration = 3;
                   }},
        EngineCase{"RepeatThreeTimes", 3, {"--repeat", "3"},
                   [](builder::BuildDescription& d) { d.parameters.RepeatCount = 3; }}),
    [](const ::testing::TestParamInfo<EngineCase>& info) { return info.param.name; });
