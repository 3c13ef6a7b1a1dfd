// What the build refuses before it touches a matrix set: networks whose
// hydraulics fail or warn, analyses other than a chemical in mg/L,
// parameters whose results overflow, a set locked by another build, a
// folder that cannot take the files. The previous set stays as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <system_error>

#include "matrix/file_names.h"
#include "matrix/manifest.h"
#include "matrix/set_lock.h"
#include "support/test_support.h"
#include "tool_process.h"

namespace fs = std::filesystem;
using tesmar_testing::RunTool;
using tesmar_testing::ToolRun;

using testing_support::Replaced;

namespace {

// Every file of a matrix set, by name, with its bytes.
std::map<std::string, std::string> SetFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind("chain.inp.", 0) == 0)
            files[entry.path().filename().string()] = testing_support::ReadText(entry.path().string());
    return files;
}

struct Hostile {
    const char* name;
    std::string network;             // the network's text
    std::vector<std::string> args;   // options after the network
    const char* message;             // part of the refusal
};

const std::string kChain = testing_support::ChainNetwork(3);

class RefusedBuild : public ::testing::TestWithParam<Hostile> {};

}  // namespace

TEST_P(RefusedBuild, ExitsTwoAndLeavesThePreviousSetAsItWas) {
    const Hostile& c = GetParam();
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, kChain);
    ASSERT_EQ(RunTool({"build", network, "--seed", "3", "--max-hours", "24"}).exitCode, 0);
    const auto before = SetFiles(folder.path());
    ASSERT_EQ(before.size(), 11u);  // text, binary, summary, manifest, lock

    testing_support::WriteText(network, c.network);
    std::vector<std::string> args{"build", network, "--seed", "4"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    auto after = SetFiles(folder.path());
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(
    Networks, RefusedBuild,
    ::testing::Values(
        Hostile{"NegativePressures", Replaced(kChain, "J1 0 10", "J1 300 10"), {"--max-hours", "24"},
                "(code 6): WARNING: System has negative pressures"},
        Hostile{"Unbalanced", Replaced(kChain, "Units GPM", "Units GPM\nTrials 1\nUnbalanced Continue\nAccuracy 1e-9"),
                {"--max-hours", "24"}, "(code 1): WARNING: System hydraulically unbalanced"},
        Hostile{"OneNodeAndNoPipes",
                "[JUNCTIONS]\nJ1 0 10\n\n[TIMES]\nDuration 24:00\nQuality Timestep 0:05\n\n[OPTIONS]\n"
                "Quality Chemical mg/L\n\n[END]\n",
                {"--max-hours", "24"}, "(code 223)"},
        Hostile{"UnconnectedNode", Replaced(kChain, "[RESERVOIRS]", "J9 0 0\n[RESERVOIRS]"), {"--max-hours", "24"},
                "unconnected nodes"},
        Hostile{"QualityStepOffTheSimulatedTime", Replaced(kChain, "Quality Timestep 0:05", "Quality Timestep 0:07"),
                {}, "is not a whole number of the network's water-quality steps (420 s)"},
        Hostile{"NoQualityAnalysis", Replaced(kChain, "Quality Chemical mg/L", "Quality None"), {"--max-hours", "24"},
                "defines no water-quality analysis; the builder needs a chemical analysis in mg/L"},
        Hostile{"WaterAge", Replaced(kChain, "Quality Chemical mg/L", "Quality Age"), {"--max-hours", "24"},
                "defines a water-age analysis; the builder needs a chemical analysis in mg/L (\"Quality Chemical "
                "mg/L\" in its [OPTIONS]); use --chemical to study a chemical anyway"},
        Hostile{"Trace", Replaced(kChain, "Quality Chemical mg/L", "Quality Trace R1"), {"--max-hours", "24"},
                "defines a source-trace analysis"},
        Hostile{"Micrograms", Replaced(kChain, "Quality Chemical mg/L", "Quality Chemical ug/L  ; per litre"),
                {"--max-hours", "24"}, "defines a chemical analysis in ug/L"},
        Hostile{"VanishingPerCapitaConsumption", kChain, {"--max-hours", "24", "--per-capita", "1e-38"},
                "--per-capita is too small: the population served by node 1 is beyond the single-precision range"}),
    [](const ::testing::TestParamInfo<Hostile>& info) { return std::string(info.param.name); });

TEST(AcceptWarnings, BuildsAWarnedNetworkAndRecordsTheWarning) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, Replaced(kChain, "J1 0 10", "J1 300 10"));
    const ToolRun run = RunTool({"build", network, "--seed", "1", "--max-hours", "12", "--accept-warnings"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("warns about the network (code 6"), std::string::npos) << run.err;
    const auto manifest = matrix::ReadManifest(network);
    ASSERT_TRUE(manifest);
    EXPECT_EQ(manifest->warnings, std::vector<int>{6});
}

// One build of a network at a time; readers wait for none and are refused
// while a build writes; a killed build's lock is gone with it.
TEST(SetLock, ASecondBuildAndReadersAreRefusedWhileABuildHoldsTheSet) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, kChain);
    ASSERT_EQ(RunTool({"build", network, "--seed", "3", "--max-hours", "12"}).exitCode, 0);
    const auto before = SetFiles(folder.path());
    {
        const matrix::SetLock held(network, matrix::SetLock::Kind::Exclusive, "the build of a test (process 1)");
        const ToolRun second = RunTool({"build", network, "--seed", "4", "--max-hours", "12"});
        EXPECT_EQ(second.exitCode, 2);
        EXPECT_NE(second.err.find("is being built by the build of a test (process 1)"), std::string::npos) << second.err;
        const ToolRun reader = RunTool({"fitness", network, "J1"});
        EXPECT_EQ(reader.exitCode, 2);
        EXPECT_NE(reader.err.find("is being built by"), std::string::npos) << reader.err;
        EXPECT_EQ(RunTool({"convert", network}).exitCode, 2);
    }
    EXPECT_EQ(SetFiles(folder.path()), before);
    EXPECT_EQ(RunTool({"fitness", network, "J1"}).exitCode, 0);

    // A build killed while it holds the lock does not block the next one.
    {
        tesmar_testing::RunningTool killed({"build", network, "--mode", "random", "--random-events", "100000", "--seed", "5"});
        std::string line;
        while (killed.ReadErrorLine(line) && line.find("building") == std::string::npos) {
        }
        killed.Signal(SIGKILL);
        killed.Wait();
    }
    const ToolRun next = RunTool({"build", network, "--seed", "6", "--max-hours", "12"});
    EXPECT_EQ(next.exitCode, 0) << next.err;
}

namespace {

// A long build of the network, run until it has started writing.
std::unique_ptr<tesmar_testing::RunningTool> StartedBuild(const std::string& network) {
    auto build = std::make_unique<tesmar_testing::RunningTool>(std::vector<std::string>{
        "build", network, "--mode", "random", "--random-events", "200000", "--seed", "5", "--threads", "1"});
    std::string line;
    while (build->ReadErrorLine(line) && line.find("building") == std::string::npos) {
    }
    return build;
}

}  // namespace

// The lock file replaced (or removed) under a running build: a second build
// and readers are still refused (the network file is locked too), and the
// build whose lock file was taken from it fails with a message whatever
// ended it; never do two builds both succeed.
TEST(SetLock, ABuildWhoseLockWasTakenFromItFails) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, kChain);
    const std::string lock = matrix::LockFileName(network);
    {
        auto first = StartedBuild(network);
        testing_support::WriteText(folder.File("new.lock"), "");
        fs::rename(folder.File("new.lock"), lock);
        const ToolRun reader = RunTool({"fitness", network, "J1"});
        const ToolRun second = RunTool({"build", network, "--seed", "4", "--max-hours", "12"});
        first->Signal(SIGINT);
        const ToolRun firstRun = first->Wait();
        EXPECT_FALSE(firstRun.exitCode == 0 && second.exitCode == 0) << firstRun.err << second.err;
        EXPECT_EQ(second.exitCode, 2) << second.err;
        EXPECT_NE(second.err.find("only one build of a network may run at a time"), std::string::npos) << second.err;
        EXPECT_EQ(reader.exitCode, 2) << reader.err;  // nor may a reader take the set meanwhile
        EXPECT_EQ(firstRun.exitCode, 1) << firstRun.err;
        EXPECT_NE(firstRun.err.find("was removed or replaced while this program held it"), std::string::npos)
            << firstRun.err;
        EXPECT_EQ(firstRun.err.find("done"), std::string::npos) << firstRun.err;
        const auto manifest = matrix::ReadManifest(network);
        ASSERT_TRUE(manifest);
        EXPECT_EQ(manifest->outcome, "failed");  // the first build's: the second never started
    }
    {
        auto only = StartedBuild(network);
        fs::remove(lock);
        only->Signal(SIGINT);
        const ToolRun run = only->Wait();
        EXPECT_EQ(run.exitCode, 1) << run.err;
        const auto manifest = matrix::ReadManifest(network);
        ASSERT_TRUE(manifest);
        EXPECT_EQ(manifest->outcome, "failed");
    }
}

// A lock file that is not one: refused with the same exit code by every
// command, and named for what it is.
TEST(SetLock, ALockThatIsALinkOrAFolderIsRefusedByEveryCommand) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, kChain);
    ASSERT_EQ(RunTool({"build", network, "--seed", "3", "--max-hours", "12"}).exitCode, 0);
    const std::string lock = matrix::LockFileName(network);
    testing_support::WriteText(folder.File("elsewhere"), "");
    for (const std::string kind : {"symbolic link", "folder"}) {
        fs::remove(lock);
        if (kind == "folder")
            fs::create_directory(lock);
        else
            fs::create_symlink(folder.File("elsewhere"), lock);
        for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"build", network, "--max-hours", "12"}, {"fitness", network, "J1"}, {"convert", network},
                 {"place", network, "--sensors", "1"}}) {
            const ToolRun run = RunTool(args);
            EXPECT_EQ(run.exitCode, 2) << args[0] << ": " << run.err;
            EXPECT_NE(run.err.find("is a " + kind), std::string::npos) << args[0] << ": " << run.err;
            EXPECT_EQ(run.err.find("Too many levels"), std::string::npos) << run.err;
        }
        fs::remove(lock);
    }
}

// Links in place of the set's files in a folder the build cannot write: the
// build is refused before anything, and no link's target is written.
TEST(Folder, AFolderThatCannotTakeTheFilesIsRefusedAndLinksAreNotFollowed) {
    testing_support::ScratchFolder folder;
    const std::string place = folder.File("net");
    fs::create_directories(place);
    const std::string network = place + "/chain.inp";
    testing_support::WriteText(network, kChain);
    const std::string target = folder.File("precious.txt");
    testing_support::WriteText(target, "a user's file");
    for (int k = 1; k <= 4; ++k) fs::create_symlink(target, matrix::MatrixFileName(network, k));
    fs::permissions(target, fs::perms::all);
    fs::permissions(folder.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(place, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    tesmar_testing::ToolOptions options;
    options.asNobody = ::geteuid() == 0;  // root writes every folder
    const ToolRun run = RunTool({"build", network, "--max-hours", "12"}, options);
    fs::permissions(place, fs::perms::owner_all);
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("cannot take the matrix files"), std::string::npos) << run.err;
    EXPECT_EQ(testing_support::ReadText(target), "a user's file");
    for (int k = 1; k <= 4; ++k) EXPECT_TRUE(fs::is_symlink(matrix::MatrixFileName(network, k)));
}

// The toolkit's files never go into the folder the program runs in: a
// "rep.dat" there is left alone, even as a link.
TEST(Folder, NothingIsWrittenIntoTheCurrentFolder) {
    testing_support::ScratchFolder here, elsewhere;
    const std::string target = elsewhere.File("target");
    testing_support::WriteText(target, "kept");
    fs::create_symlink(target, here.File("rep.dat"));
    testing_support::WriteText(here.File("out.dat"), "mine");
    testing_support::WriteText(elsewhere.File("chain.inp"), kChain);
    const ToolRun run = RunTool({"build", elsewhere.File("chain.inp"), "--max-hours", "12"}, here.path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(testing_support::ReadText(target), "kept");
    EXPECT_EQ(testing_support::ReadText(here.File("out.dat")), "mine");
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(here.path())) entries += entry.path().filename() != "";
    EXPECT_EQ(entries, 2u);
}

// The network file replaced while the build runs: every worker reads the
// bytes taken at the start.
TEST(NetworkFile, ReplacedDuringABuildChangesNothingBuilt) {
    testing_support::ScratchFolder folder, original;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(6));
    const std::vector<std::string> set{"--mode", "random", "--random-events", "40", "--injections", "2",
                                       "--seed", "8", "--threads", "2"};
    std::vector<std::string> args{"build", network};
    args.insert(args.end(), set.begin(), set.end());
    {
        tesmar_testing::RunningTool tool(args);
        std::string line;
        while (tool.ReadErrorLine(line) && line.find("building") == std::string::npos) {
        }
        testing_support::WriteText(network, testing_support::ChainNetwork(9, 3.0));
        ASSERT_EQ(tool.Wait().exitCode, 0);
    }
    testing_support::WriteText(original.File("chain.inp"), testing_support::ChainNetwork(6));
    args[1] = original.File("chain.inp");
    ASSERT_EQ(RunTool(args).exitCode, 0);
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(testing_support::ReadText(matrix::MatrixFileName(network, k)),
                  testing_support::ReadText(matrix::MatrixFileName(original.File("chain.inp"), k)))
            << k;
}

TEST(Memory, AnEventSetOfBillionsOfInjectionsStartsInLittleMemory) {
    testing_support::ScratchFolder folder;
    testing_support::WriteText(folder.File("chain.inp"), kChain);
    tesmar_testing::RunningTool tool({"build", folder.File("chain.inp"), "--mode", "random", "--random-events",
                                      "2147483647", "--injections", "1000", "--max-hours", "12"});
    std::string line;
    while (tool.ReadErrorLine(line) && line.find("events (") == std::string::npos) {
    }
    tool.Signal(SIGINT);
    const ToolRun run = tool.Wait();
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_NE(run.err.find("of 2147483647 events written"), std::string::npos) << run.err;
}

TEST(Memory, TextMatricesThatCannotBeHeldEndWithAMessageNotAnAbort) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer maps its shadow memory beyond any data limit";
#endif
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, kChain);
    ASSERT_EQ(RunTool({"build", network, "--mode", "random", "--random-events", "20000", "--max-hours", "1"}).exitCode, 0);
    for (int k = 1; k <= 4; ++k) fs::remove(matrix::BinaryFileName(network, k));
    // Whatever runs out, the program ends with a message and an exit code
    // of its own, never by an abort.
    for (std::size_t megabytes : {12, 24, 36, 48}) {
        tesmar_testing::ToolOptions options;
        options.dataLimitBytes = megabytes << 20;
        const ToolRun run = RunTool({"fitness", network, "J1"}, options);
        EXPECT_LT(run.exitCode, 128) << megabytes << " MB: " << run.err;
        if (run.exitCode != 0) {
            EXPECT_FALSE(run.err.empty()) << megabytes << " MB";
        }
    }
}

TEST(Messages, LongUserTextIsCutWithItsLength) {
    testing_support::ScratchFolder folder;
    testing_support::WriteText(folder.File("chain.inp"), kChain);
    const std::string id(102400, 'Q');
    const ToolRun run = RunTool({"fitness", folder.File("chain.inp"), id});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_LT(run.err.size(), 1000u);
    EXPECT_NE(run.err.find("(102400 characters)"), std::string::npos) << run.err.substr(0, 300);
}

// A quality step that does not divide a day: the progress counts the
// events that are really built.
TEST(Progress, AllTimesOnAnOddQualityStepCountsTheEventsBuilt) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, Replaced(kChain, "Quality Timestep 0:05", "Quality Timestep 0:07"));
    const ToolRun run = RunTool({"build", network, "--mode", "all-times", "--max-hours", "7", "--no-z2"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(run.err, m, std::regex("building ([0-9]+) events"))) << run.err;
    // 1440 / 7 = 205.7 steps a day: starts 0 to 204, at each of the four nodes.
    EXPECT_EQ(m[1].str(), "820");
    EXPECT_NE(run.err.find("820/820 events (100%)"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n') > 0, true);
    EXPECT_EQ(testing_support::ReadText(matrix::EventSummaryFileName(network)).size() > 0, true);
}

TEST(Fitness, NoEventLoadedEndsWithAMessageAndNotZero) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, kChain);
    ASSERT_EQ(RunTool({"build", network, "--max-hours", "12", "--mode", "random", "--random-events", "1"}).exitCode, 0);
    // A detection file of the header alone: nothing to evaluate.
    const std::string header = testing_support::ReadText(matrix::MatrixFileName(network, 4)).substr(
        0, testing_support::ReadText(matrix::MatrixFileName(network, 4)).find("\r\n") + 2);
    testing_support::WriteText(matrix::MatrixFileName(network, 4), header);
    for (int k = 1; k <= 4; ++k) fs::remove(matrix::BinaryFileName(network, k));
    fs::remove(matrix::EventSummaryFileName(network));  // its event is no longer in the records
    const ToolRun run = RunTool({"fitness", network, "J1"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("no events could be loaded"), std::string::npos) << run.err;
}

// The toolkit's hydraulic results live in unnamed files of the temporary
// folder while a build runs, so a killed build leaves nothing there, and
// nothing but its set in the network's folder, where it was started.
TEST(Folder, AKilledBuildLeavesNoScratchFileAnywhere) {
    testing_support::ScratchFolder folder, temporary;
    const std::string network = folder.File("chain.inp");
    testing_support::WriteText(network, testing_support::ChainNetwork(5));
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before ? before : "";
    ::setenv("TMPDIR", temporary.path().c_str(), 1);
    std::vector<std::string> held;
    {
        tesmar_testing::RunningTool killed(
            {"build", network, "--engine", "toolkit", "--mode", "random", "--random-events", "100000"});
        if (before)
            ::setenv("TMPDIR", saved.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        std::string line;
        while (killed.ReadErrorLine(line) && line.find("events (") == std::string::npos) {
        }
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(killed.Pid()) + "/fd", ec)) {
            const std::string target = fs::read_symlink(fd.path(), ec).string();
            if (target.rfind(temporary.path() + "/", 0) == 0) held.push_back(target);
        }
        EXPECT_TRUE(fs::is_empty(temporary.path()));
        killed.Signal(SIGKILL);
        killed.Wait();
    }
    ASSERT_FALSE(held.empty()) << "no hydraulic results were held in the temporary folder";
    for (const std::string& target : held) EXPECT_NE(target.find("(deleted)"), std::string::npos) << target;
    EXPECT_TRUE(fs::is_empty(temporary.path()));
    for (const auto& entry : fs::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename().string().rfind("chain.inp", 0), 0u) << entry.path();
}

// The toolkit reports a full disk as a file it cannot read; the tool says
// what is really wrong.
TEST(Folder, AFullDiskIsNamedAsTheCause) {
    testing_support::ScratchFolder folder, tiny;
    if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=2m tmpfs " + tiny.path() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "a small file system cannot be mounted here";
    testing_support::WriteText(tiny.File("fill"), std::string(1900 * 1024, 'x'));
    const std::string network = folder.File("Network_1.inp");
    testing_support::WriteText(network, testing_support::ReadText(testing_support::ExampleNetwork(1)));
    tesmar_testing::ToolOptions options;
    options.environment = {"TMPDIR=" + tiny.path()};
    const ToolRun run = RunTool({"build", network}, options);
    std::system(("umount " + tiny.path()).c_str());
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_NE(run.err.find("No space left on device in " + tiny.path()), std::string::npos) << run.err;
}
