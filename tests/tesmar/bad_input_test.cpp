// Bad usage and bad input: exit code 2, one line on the error stream naming
// the problem, nothing on the output stream, and no matrix file touched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "matrix_writing.h"
#include "support/test_support.h"
#include "tool_process.h"

using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

namespace {

enum class Network { Chain, Missing, Folder, Rejected, QuotedId };

struct BadCase {
    std::string name;
    std::string command;
    Network network;
    std::vector<std::string> args;  // after the network path
    std::string message;            // part of the error line
    bool oldMatrixFiles = true;
};

std::string NetworkText(Network kind) {
    std::string text = testing_support::ChainNetwork(3);
    auto replace = [&text](const std::string& from, const std::string& to) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    };
    if (kind == Network::Rejected) replace("P3 J2 J3", "P3 J2 J99");  // a pipe to an unknown node
    if (kind == Network::QuotedId) replace("J2", "J\"2");
    return text;
}

void Prepare(const std::string& path, Network kind) {
    if (kind == Network::Missing) return;
    if (kind == Network::Folder) {
        std::filesystem::create_directories(path);
        return;
    }
    testing_support::WriteText(path, NetworkText(kind));
}

void ExpectOneLine(const ToolRun& run, const std::string& message) {
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
}

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class TesmarBadInput : public ::testing::TestWithParam<BadCase> {};

}  // namespace

TEST_P(TesmarBadInput, ExitsTwoWithOneLineAndTouchesNoMatrixFile) {
    const BadCase& c = GetParam();
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("net.inp");
    Prepare(network, c.network);
    if (c.oldMatrixFiles) tesmar_testing::WriteOldMatrixFiles(network);

    std::vector<std::string> args{c.command, network};
    args.insert(args.end(), c.args.begin(), c.args.end());
    ExpectOneLine(RunTool(args, folder.path()), c.message);

    if (c.oldMatrixFiles)
        EXPECT_TRUE(tesmar_testing::OldMatrixFilesUntouched(network));
    else
        EXPECT_TRUE(tesmar_testing::MatrixFilesIn(folder.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Build, TesmarBadInput,
    ::testing::Values(
        BadCase{"MissingNetwork", "build", Network::Missing, {}, "net.inp does not exist"},
        BadCase{"NetworkIsAFolder", "build", Network::Folder, {}, "net.inp cannot be used: it is a folder"},
        BadCase{"ToolkitRejectsNetwork", "build", Network::Rejected, {}, "The toolkit rejects the network"},
        BadCase{"DoubleQuoteInNodeId", "build", Network::QuotedId, {}, "J\"2 contains a double quote"},
        BadCase{"CountNotANumber", "build", Network::Chain, {"--repeat", "abc"}, "--repeat: 'abc' is not a whole"},
        BadCase{"HexadecimalCount", "build", Network::Chain, {"--random-events", "0x10"}, "--random-events: '0x10'"},
        BadCase{"RealNotANumber", "build", Network::Chain, {"--mass-flow", "12x"}, "--mass-flow: '12x' is not a number"},
        BadCase{"CountBeyond32Bits", "build", Network::Chain, {"--repeat", "99999999999"}, "--repeat"},
        BadCase{"ZeroInjectionHours", "build", Network::Chain, {"--injection-hours", "0"}, "--injection-hours must be"},
        BadCase{"NegativeMaxHours", "build", Network::Chain, {"--max-hours=-4"}, "--max-hours must be"},
        BadCase{"ZeroRepeat", "build", Network::Chain, {"--repeat", "0"}, "--repeat must be at least 1"},
        BadCase{"ZeroMassFlow", "build", Network::Chain, {"--mass-flow", "0"}, "--mass-flow must be at least 1 mg/min"},
        // Half a milligram rounds, half to even, to 0 mg/min: nothing would be injected.
        BadCase{"MassFlowRoundingToZero", "build", Network::Chain, {"--mass-flow", "0.5"},
                "--mass-flow must be at least 1 mg/min (got 0.5)"},
        BadCase{"HugeBeta", "build", Network::Chain, {"--beta", "1e39"}, "--beta must be a finite number (got 1e+39)"},
        BadCase{"NegativeSensitivity", "build", Network::Chain, {"--sensitivity=-1"}, "--sensitivity must be"},
        BadCase{"ZeroThreads", "build", Network::Chain, {"--threads", "0"}, "--threads must be from 1"},
        BadCase{"InfiniteBeta", "build", Network::Chain, {"--beta", "inf"}, "--beta: 'inf' is not a number"},
        BadCase{"ZeroD50", "build", Network::Chain, {"--d50", "0"}, "--d50 must be positive"},
        BadCase{"NegativeBodyWeight", "build", Network::Chain, {"--body-weight=-70"}, "--body-weight must be positive"},
        BadCase{"ZeroIngestionRate", "build", Network::Chain, {"--ingestion-rate", "0"}, "--ingestion-rate must be"},
        BadCase{"ZeroPerCapita", "build", Network::Chain, {"--per-capita", "0"}, "--per-capita must be positive"},
        BadCase{"TooManyInjections", "build", Network::Chain, {"--mode", "random", "--injections", "1001"},
                "--injections must be from 1 to 1000"},
        BadCase{"InjectionsOutsideRandomMode", "build", Network::Chain, {"--injections", "2"},
                "--injections applies only to --mode random"},
        BadCase{"UnknownMode", "build", Network::Chain, {"--mode", "sometimes"}, "--mode: sometimes not in"},
        BadCase{"UnknownOption", "build", Network::Chain, {"--colour", "red"}, "--colour"},
        BadCase{"ReferenceWithThreads", "build", Network::Chain, {"--reference", "--threads", "2"},
                "--threads excludes --reference"},
        BadCase{"FitnessMissingNetwork", "fitness", Network::Missing, {"J1"}, "net.inp does not exist"},
        BadCase{"FitnessUnknownNode", "fitness", Network::Chain, {"J1", "Q7"}, "No such node: 'Q7'"},
        BadCase{"FitnessEmptyNodeId", "fitness", Network::Chain, {" "}, "empty node ID"},
        BadCase{"FitnessWithoutNodes", "fitness", Network::Chain, {}, "NODE_ID is required"},
        BadCase{"FitnessMissingMatrices", "fitness", Network::Chain, {"J1"}, "net.inp.z4 does not exist", false}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return info.param.name; });

TEST(TesmarUsage, CommandLinesWithoutACommandOrNetwork) {
    ExpectOneLine(RunTool({}), "A subcommand is required");
    ExpectOneLine(RunTool({"evaluate", "x.inp"}), "unknown command 'evaluate'");
    ExpectOneLine(RunTool({"build"}), "NETWORK is required");
}

// Root reads every file: then the program runs as nobody.
TEST(TesmarUsage, UnreadableNetworkFile) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("net.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(3));
    std::filesystem::permissions(network, std::filesystem::perms::none);
    std::filesystem::permissions(folder.path(), std::filesystem::perms::others_exec, std::filesystem::perm_options::add);
    tesmar_testing::WriteOldMatrixFiles(network);
    tesmar_testing::ToolOptions options;
    options.cwd = folder.path();
    options.asNobody = ::geteuid() == 0;
    ExpectOneLine(RunTool({"build", network}, options), "net.inp cannot be used: it cannot be opened: Permission denied");
    EXPECT_TRUE(tesmar_testing::OldMatrixFilesUntouched(network));
}
