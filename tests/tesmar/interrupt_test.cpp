// SIGINT, SIGTERM or SIGHUP during a build: the files keep the header and whole
// records of a prefix of the events, and the tool exits with 130.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>

#include "matrix_writing.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace {

class TesmarInterrupt : public ::testing::TestWithParam<int> {};

// Far more events than run before the signal lands: the build would take
// many minutes on any machine.
const std::vector<std::string> kLongBuild{"--mode", "random", "--random-events", "200000", "--seed", "9",
                                          "--threads", "2"};

}  // namespace

TEST_P(TesmarInterrupt, StopsAfterWholeRecordsAndExits130) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(5));
    std::vector<std::string> args{"build", network};
    args.insert(args.end(), kLongBuild.begin(), kLongBuild.end());

    tesmar_testing::RunningTool tool(args);
    std::string line;
    bool progressSeen = false;
    while (!progressSeen && tool.ReadErrorLine(line)) progressSeen = line.find(" events (") != std::string::npos;
    ASSERT_TRUE(progressSeen) << "no progress line before the end of the error stream";
    tool.Signal(GetParam());
    const tesmar_testing::ToolRun run = tool.Wait();

    EXPECT_EQ(run.exitCode, 130) << run.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(run.err, match, std::regex("stopped; ([0-9]+) of 200000 events written")))
        << run.err;
    const std::size_t written = std::stoul(match[1].str());
    EXPECT_GE(written, 1u);
    EXPECT_LT(written, 200000u);
    // The first events of a random set do not depend on its size, so a
    // complete build of as many events must give the very same files.
    testing_support::ScratchFolder complete;
    const std::string same = complete.File("chain.inp");
    testing_support::WriteText(same, testing_support::ChainNetwork(5));
    const auto full = tesmar_testing::RunTool({"build", same, "--mode", "random", "--random-events",
                                               std::to_string(written), "--seed", "9"});
    ASSERT_EQ(full.exitCode, 0) << full.err;
    EXPECT_EQ(tesmar_testing::MatrixTexts(network), tesmar_testing::MatrixTexts(same));
}

INSTANTIATE_TEST_SUITE_P(Signals, TesmarInterrupt, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "Sigint" : info.param == SIGTERM ? "Sigterm" : "Sighup");
                         });
