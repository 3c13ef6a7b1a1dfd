// A build killed at any moment (SIGKILL: no chance to clean up) leaves
// files a reader can trust: every text file holds whole records of a prefix
// of the event set, every binary file either claims only rows it holds,
// which agree with the text, or is recognisably not a matrix, and the event
// summary holds whole lines of the same prefix.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "matrix/file_names.h"
#include "matrix/npy_file.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kSet{"--mode", "random", "--random-events", "200000", "--injections", "2",
                                    "--seed", "11", "--max-hours", "12"};

std::size_t Records(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++count;
    return count;
}

// The text up to and including its `records`-th line.
std::string Prefix(const std::string& text, std::size_t records) {
    std::size_t end = 0;
    for (std::size_t line = 0; line < records; ++line) end = text.find("\r\n", end) + 2;
    return text.substr(0, end);
}

class KilledBuild : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(KilledBuild, LeavesOnlyWholeRecordsAReaderCanTrust) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(5));
    {
        std::vector<std::string> args{"build", network, "--threads", "2"};
        args.insert(args.end(), kSet.begin(), kSet.end());
        tesmar_testing::RunningTool tool(args);
        std::string line;
        while (tool.ReadErrorLine(line) && line.find("building") == std::string::npos) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(GetParam()));
        tool.Signal(SIGKILL);
        EXPECT_EQ(tool.Wait().exitCode, 128 + SIGKILL);
    }
    std::string text[5];
    std::size_t most = 0;
    for (int k = 1; k <= 4; ++k) {
        text[k] = testing_support::ReadText(matrix::MatrixFileName(network, k));
        ASSERT_FALSE(text[k].empty()) << "the header is written before any event";
        ASSERT_EQ(text[k].substr(text[k].size() - 2), "\r\n") << "a record was cut in .z" << k;
        most = std::max(most, Records(text[k]) - 1);
    }
    const std::string summary = testing_support::ReadText(matrix::EventSummaryFileName(network));
    ASSERT_EQ(summary.substr(summary.size() - 2), "\r\n");

    // The same first events, built whole.
    testing_support::ScratchFolder whole;
    const std::string same = whole.File("chain.inp");
    testing_support::WriteText(same, testing_support::ChainNetwork(5));
    std::vector<std::string> args{"build", same};
    args.insert(args.end(), kSet.begin(), kSet.end());
    args[5] = std::to_string(std::max<std::size_t>(most, 1));
    ASSERT_EQ(tesmar_testing::RunTool(args).exitCode, 0);

    for (int k = 1; k <= 4; ++k) {
        const std::string complete = testing_support::ReadText(matrix::MatrixFileName(same, k));
        EXPECT_EQ(text[k], Prefix(complete, Records(text[k]))) << ".z" << k;
        const std::string binaryPath = matrix::BinaryFileName(network, k);
        matrix::NpyHeader header;
        try {
            header = matrix::ReadNpyHeader(binaryPath);
        } catch (const matrix::NpyError&) {
            continue;  // recognisably not a matrix: never trusted
        }
        EXPECT_LE(header.rows, static_cast<std::int64_t>(Records(text[k]) - 1)) << ".z" << k << ".npy";
        const std::string binary = testing_support::ReadText(binaryPath);
        const std::string reference = testing_support::ReadText(matrix::BinaryFileName(same, k));
        const std::size_t claimed = header.dataOffset + static_cast<std::size_t>(header.rows) * 5 * matrix::CellBytes(header.type);
        EXPECT_EQ(binary.substr(header.dataOffset, claimed - header.dataOffset),
                  reference.substr(header.dataOffset, claimed - header.dataOffset))
            << ".z" << k << ".npy";
    }
    const std::string completeSummary = testing_support::ReadText(matrix::EventSummaryFileName(same));
    EXPECT_EQ(summary, Prefix(completeSummary, Records(summary)));
}

INSTANTIATE_TEST_SUITE_P(Moments, KilledBuild, ::testing::Values(0, 20, 80, 250, 600),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return "After" + std::to_string(info.param) + "ms";
                         });
