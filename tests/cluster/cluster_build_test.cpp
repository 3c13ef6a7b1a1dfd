// Whole builds under mpirun, three processes on this host, compared with
// one-process builds of the same seed: every file the same, byte for byte;
// a stop, a failing process or a process killed leaves each file with its
// header and whole records of the first events, the very records a
// one-process build of that many events writes.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <regex>

#include "matrix/file_names.h"
#include "matrix/manifest.h"
#include "mpi_run.h"
#include "support/prerequisite.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;
using cluster_testing::DriverArguments;
using cluster_testing::JobEnd;
using cluster_testing::MpiJob;
using cluster_testing::MpirunArguments;

// Every file a build writes beside the network but the manifest.
std::map<std::string, std::string> DataFiles(const std::string& network) {
    std::map<std::string, std::string> files;
    for (int k = 1; k <= 4; ++k) {
        for (const std::string& path : {matrix::MatrixFileName(network, k), matrix::BinaryFileName(network, k)})
            if (fs::exists(path)) files[fs::path(path).filename().string()] = testing_support::ReadText(path);
    }
    const std::string summary = matrix::EventSummaryFileName(network);
    if (fs::exists(summary)) files[fs::path(summary).filename().string()] = testing_support::ReadText(summary);
    return files;
}

// The manifest with the fields that describe the run (processes, workers,
// times) cleared: all the others must match.
std::string ManifestWithoutTheRun(const std::string& network) {
    std::optional<matrix::Manifest> manifest = matrix::ReadManifest(network);
    if (!manifest) return "no manifest";
    manifest->processes = manifest->workers = 0;
    manifest->started = manifest->ended = "";
    manifest->elapsedSeconds = 0;
    std::string text;
    for (const auto& [label, value] : matrix::DescribeManifest(*manifest)) text += label + ": " + value + "\n";
    return text;
}

std::int32_t WrittenOf(const std::string& err, const std::string& total) {
    std::smatch match;
    if (!std::regex_search(err, match, std::regex("; ([0-9]+) of " + total + " events written"))) return -1;
    return std::stoi(match[1].str());
}

class ClusterBuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::optional<std::string> mpirun = cluster_testing::FindMpirun();
        if (!mpirun) TESMAR_PREREQUISITE_MISSING("mpirun is not installed (Debian: openmpi-bin); MPI builds are not tested");
        mpirun_ = *mpirun;
    }

    std::string Network(const std::string& name, const std::string& text) {
        const std::string path = folder_.File(name);
        testing_support::WriteText(path, text);
        return path;
    }

    // A one-process build of the same network with the arguments; its files.
    std::map<std::string, std::string> OneProcessBuild(const std::string& network,
                                                       const std::vector<std::string>& args) {
        testing_support::ScratchFolder elsewhere;
        const std::string copy = elsewhere.File(fs::path(network).filename().string());
        fs::copy_file(network, copy);
        std::vector<std::string> command{"build", copy};
        command.insert(command.end(), args.begin(), args.end());
        const tesmar_testing::ToolRun run = tesmar_testing::RunTool(command);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return DataFiles(copy);
    }

    std::vector<std::string> BuildArgs(const std::string& network, const std::vector<std::string>& args) {
        std::vector<std::string> command{"build", network};
        command.insert(command.end(), args.begin(), args.end());
        return command;
    }

    // The files hold whole records of the first `written` events: those a
    // one-process build of as many events writes (the first events of a
    // random set do not depend on its size).
    void ExpectPrefixOfOneProcessBuild(const std::string& network, std::int32_t written, const std::string& seed) {
        ASSERT_GE(written, 0);
        const auto prefix =
            OneProcessBuild(network, {"--mode", "random", "--random-events", std::to_string(written), "--seed", seed});
        EXPECT_EQ(DataFiles(network), prefix);
    }

    testing_support::ScratchFolder folder_;
    std::string mpirun_;
};

// Only a job that hangs takes this long.
constexpr std::chrono::seconds kHangGuard(300);

// A build that outlasts its stop: on the toolkit's solver, since the own
// engine finishes the chain's 200,000 events before the signal arrives.
const std::vector<std::string> kLongChainBuild{"--mode",    "random", "--random-events", "200000", "--seed", "9",
                                               "--threads", "1",      "--engine",        "toolkit"};

}  // namespace

TEST_F(ClusterBuildTest, ThreeProcessesWriteTheOneProcessBytes) {
    const std::string network = Network("chain.inp", testing_support::ChainNetwork(6));
    const std::vector<std::string> args{"--mode", "random", "--random-events", "80", "--injections", "2",
                                        "--seed", "314"};
    const auto alone = OneProcessBuild(network, args);
    const JobEnd end = cluster_testing::RunJob(
        mpirun_, MpirunArguments(3, {}, BuildArgs(network, {"--mode", "random", "--random-events", "80",
                                                            "--injections", "2", "--seed", "314", "--threads", "1"})));
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_NE(end.err.find("3 processes"), std::string::npos) << end.err;
    EXPECT_EQ(DataFiles(network), alone);
    ASSERT_EQ(DataFiles(network).size(), 9u);
    std::optional<matrix::Manifest> manifest = matrix::ReadManifest(network);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->processes, 3);
    EXPECT_EQ(manifest->outcome, "completed");
}

// Network 1, three injections per event; the manifest differs from the
// one-process build's only in what describes the run.
TEST_F(ClusterBuildTest, ThreeProcessesWriteTheOneProcessBytesOnNetwork1) {
    const std::string network =
        Network("Network_1.inp", testing_support::ReadText(testing_support::ExampleNetwork(1)));
    const std::vector<std::string> args{"--mode", "random", "--random-events", "30", "--injections", "3",
                                        "--seed", "2718"};
    std::vector<std::string> command{"build", network};
    command.insert(command.end(), args.begin(), args.end());
    ASSERT_EQ(tesmar_testing::RunTool(command).exitCode, 0);
    const auto alone = DataFiles(network);
    const std::string aloneManifest = ManifestWithoutTheRun(network);

    std::vector<std::string> mpiArgs = args;
    mpiArgs.insert(mpiArgs.end(), {"--threads", "1"});
    const JobEnd end = cluster_testing::RunJob(mpirun_, MpirunArguments(3, {}, BuildArgs(network, mpiArgs)));
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_EQ(DataFiles(network), alone);
    EXPECT_EQ(ManifestWithoutTheRun(network), aloneManifest);
}

// SIGINT or SIGTERM to mpirun: it passes SIGTERM on and kills the processes
// a while later (one second unless told otherwise: here ten, so that a
// loaded machine does not turn the stop into a kill), so the writing process
// writes the records it has, closes the files and says so at once; mpirun
// itself then ends with 1, whatever its processes return. SIGUSR1 (passed on to every
// process) lets the running events finish, and the job ends with 130.
class ClusterStopTest : public ClusterBuildTest, public ::testing::WithParamInterface<int> {};

TEST_P(ClusterStopTest, StopLeavesAPrefixOfWholeRecords) {
    const std::string network = Network("chain.inp", testing_support::ChainNetwork(5));
    MpiJob job(mpirun_, MpirunArguments(3, {"--mca", "odls_base_sigkill_timeout", "10"},
                                        BuildArgs(network, kLongChainBuild)));
    ASSERT_TRUE(job.WaitForLine(" events (", kHangGuard)) << "no progress line";
    job.Signal(GetParam());
    const JobEnd end = job.Wait(kHangGuard);
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, GetParam() == SIGUSR1 ? 130 : 1) << end.err;
    EXPECT_NE(end.err.find("tesmar: stopped ("), std::string::npos) << end.err;
    const std::int32_t written = WrittenOf(end.err, "200000");
    EXPECT_GE(written, 1) << end.err;
    EXPECT_LT(written, 200000);
    const std::optional<matrix::Manifest> manifest = matrix::ReadManifest(network);
    ASSERT_TRUE(manifest) << end.err;
    EXPECT_EQ(manifest->outcome, "stopped");
    EXPECT_NE(manifest->reason.find(GetParam() == SIGUSR1 ? "SIGUSR1" : "a stop signal"), std::string::npos)
        << manifest->reason;
    ExpectPrefixOfOneProcessBuild(network, written, "9");
}

INSTANTIATE_TEST_SUITE_P(Signals, ClusterStopTest, ::testing::Values(SIGTERM, SIGINT, SIGUSR1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM  ? "Sigterm"
                                                : info.param == SIGINT ? "Sigint"
                                                                       : "Sigusr1");
                         });

// The toolkit fails in process 2 from event 25 on: the build fails with
// exit code 1, naming the event and the process, after writing the events
// before the first one that failed.
TEST_F(ClusterBuildTest, AFailingProcessEndsTheBuildWithWholeRecords) {
    const std::string network = Network("chain.inp", testing_support::ChainNetwork(5));
    const JobEnd end = cluster_testing::RunJob(
        mpirun_, DriverArguments(3, {}, {"--fail-event", "2:25"},
                                 BuildArgs(network, {"--mode", "random", "--random-events", "3000", "--seed", "9",
                                                     "--threads", "1"})));
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 1) << end.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(end.err, match,
                                  std::regex("failed after ([0-9]+) events: Event ([0-9]+) failed on process 2 on "
                                             "host [^:]+: Simulation toolkit failure in EN_solveH \\(code 110\\)")))
        << end.err;
    const std::int32_t written = std::stoi(match[1].str()), failed = std::stoi(match[2].str());
    EXPECT_GE(failed, 25);
    EXPECT_LT(written, failed);
    ExpectPrefixOfOneProcessBuild(network, written, "9");
}

// A process killed without a word: mpirun ends the job (SIGTERM to the
// others), or, where the launcher keeps the job going, the writing process
// notices the silence; either way the build failed, naming the process and
// its host, and the files keep whole records. A process on another host
// cannot be looked at: the writing process takes every process for one
// elsewhere, and the killed one is known by not answering the roll call.
enum class Loss { EndedByMpirun, EndedByMpirunElsewhere, JobKeptGoing };

class ClusterKillTest : public ClusterBuildTest, public ::testing::WithParamInterface<Loss> {};

TEST_P(ClusterKillTest, AKilledProcessEndsTheJobWithWholeRecords) {
    const Loss loss = GetParam();
    const std::string network = Network("chain.inp", testing_support::ChainNetwork(5));
    std::vector<std::string> options, hooks{"--silence-seconds", "3"};
    if (loss == Loss::JobKeptGoing) options.push_back("--enable-recovery");
    if (loss == Loss::EndedByMpirunElsewhere) hooks.push_back("--peers-elsewhere");
    MpiJob job(mpirun_, DriverArguments(3, options, hooks, BuildArgs(network, kLongChainBuild)));
    ASSERT_TRUE(job.WaitForLine(" events (", kHangGuard)) << "no progress line";
    const pid_t victim = job.RankProcess(2);
    ASSERT_GT(victim, 0);
    ::kill(victim, SIGKILL);
    const JobEnd end = job.Wait(kHangGuard);
    ASSERT_TRUE(end.ended) << "the job still ran five minutes after a process was killed:\n" << end.err;
    std::smatch match;
    std::int32_t written = WrittenOf(end.err, "200000");
    if (std::regex_search(end.err, match, std::regex("failed after ([0-9]+) events: process 2 on host")))
        written = std::stoi(match[1].str());
    const std::optional<matrix::Manifest> manifest = matrix::ReadManifest(network);
    ASSERT_TRUE(manifest) << end.err;
    if (loss == Loss::JobKeptGoing) {
        EXPECT_NE(end.err.find("is taken as lost"), std::string::npos) << end.err;
    } else {
        const std::string named = loss == Loss::EndedByMpirun
                                      ? "process 2 on host [^ ]+ \\(process id [0-9]+\\) ended without a word"
                                      : "process 2 on host [^ ]+ did not answer when the launcher ended the job: "
                                        "it ended without a word";
        EXPECT_TRUE(std::regex_search(end.err, std::regex("failed after [0-9]+ events: " + named))) << end.err;
        EXPECT_TRUE(std::regex_search(manifest->reason, std::regex("^" + named))) << manifest->reason;
        // Only the process that died is named: the other one answered.
        EXPECT_EQ(end.err.find("process 1 on host"), std::string::npos) << end.err;
        // mpirun's own status: that of the process that died first (128 + 9 here).
        EXPECT_NE(end.exitCode, 0) << end.err;
    }
    EXPECT_EQ(end.err.find("tesmar: stopped"), std::string::npos) << end.err;
    EXPECT_EQ(manifest->outcome, "failed");
    EXPECT_NE(manifest->reason.find("process 2 on host"), std::string::npos) << manifest->reason;
    ASSERT_GE(written, 1) << end.err;
    ExpectPrefixOfOneProcessBuild(network, written, "9");
}

INSTANTIATE_TEST_SUITE_P(Launchers, ClusterKillTest,
                         ::testing::Values(Loss::EndedByMpirun, Loss::EndedByMpirunElsewhere, Loss::JobKeptGoing),
                         [](const ::testing::TestParamInfo<Loss>& info) {
                             return std::string(info.param == Loss::EndedByMpirun            ? "JobEndedByMpirun"
                                                : info.param == Loss::EndedByMpirunElsewhere ? "JobEndedByMpirunElsewhere"
                                                                                             : "JobKeptGoing");
                         });

// A process that reads another network file refuses, naming its host;
// nothing is written.
TEST_F(ClusterBuildTest, ADifferentNetworkFileIsRefusedBeforeAnyFileIsTouched) {
    const std::string network = Network("chain.inp", testing_support::ChainNetwork(5));
    const std::string other = Network("other.inp", testing_support::ChainNetwork(5, 11.0));
    const std::vector<std::string> args{"--seed", "5", "--threads", "1"};
    std::vector<std::string> arguments = MpirunArguments(2, {}, BuildArgs(network, args));
    const std::vector<std::string> third = MpirunArguments(1, {}, BuildArgs(other, args));
    arguments.push_back(":");
    arguments.insert(arguments.end(), third.begin() + 2, third.end());  // without the options given once
    const JobEnd end = cluster_testing::RunJob(mpirun_, arguments);
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 2) << end.err;
    EXPECT_TRUE(std::regex_search(end.err, std::regex("process 2 on host [^ ]+ reads a different network file")))
        << end.err;
    EXPECT_TRUE(DataFiles(network).empty());
    EXPECT_TRUE(DataFiles(other).empty());
}

// Toolkit warnings about the hydraulics (a junction above its reservoir)
// refuse the build in every process unless the writing process's command
// accepts them; then every process builds and the bytes are a single
// process's.
TEST_F(ClusterBuildTest, AcceptedWarningsReachEveryProcess) {
    std::string text = testing_support::ChainNetwork(3);
    text.replace(text.find("J1 0 10"), 7, "J1 300 10");
    const std::string network = Network("chain.inp", text);
    const std::vector<std::string> args{"--seed", "1", "--max-hours", "12", "--threads", "1"};
    JobEnd end = cluster_testing::RunJob(mpirun_, MpirunArguments(3, {}, BuildArgs(network, args)));
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 2) << end.err;
    EXPECT_NE(end.err.find("--accept-warnings builds it all the same"), std::string::npos) << end.err;
    EXPECT_TRUE(DataFiles(network).empty());

    std::vector<std::string> accepting = args;
    accepting.push_back("--accept-warnings");
    const auto alone = OneProcessBuild(network, accepting);
    end = cluster_testing::RunJob(mpirun_, MpirunArguments(3, {}, BuildArgs(network, accepting)));
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_EQ(DataFiles(network), alone);
    const auto manifest = matrix::ReadManifest(network);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->warnings, std::vector<int>{6});
}

// --chemical on a water-age network reaches every process: each studies the
// chemical, and the bytes are a single process's.
TEST_F(ClusterBuildTest, TheChemicalOptionReachesEveryProcess) {
    std::string text = testing_support::ChainNetwork(6);
    text.replace(text.find("Quality Chemical mg/L"), 21, "Quality Age");
    text.replace(text.find("[TIMES]"), 7, "[QUALITY]\nJ2 30\n\n[TIMES]");
    const std::string network = Network("chain.inp", text);
    const std::vector<std::string> args{"--mode", "random", "--random-events", "60", "--seed", "11",
                                        "--max-hours", "12", "--chemical"};
    const auto alone = OneProcessBuild(network, args);
    std::vector<std::string> mpiArgs = args;
    mpiArgs.insert(mpiArgs.end(), {"--threads", "1"});
    const JobEnd end = cluster_testing::RunJob(mpirun_, MpirunArguments(3, {}, BuildArgs(network, mpiArgs)));
    ASSERT_TRUE(end.ended) << end.err;
    EXPECT_EQ(end.exitCode, 0) << end.err;
    EXPECT_NE(end.err.find("3 processes, 3 workers, own transport engine; a chemical in mg/L (--chemical) that does not decay"),
              std::string::npos)
        << end.err;
    EXPECT_EQ(DataFiles(network), alone);
    const auto manifest = matrix::ReadManifest(network);
    ASSERT_TRUE(manifest);
    EXPECT_TRUE(manifest->parameters.chemical);
    EXPECT_EQ(testing_support::ReadText(network), text);
}
