#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "network/netload.h"
#include "network/program_folder.h"
#include "network/project.h"
#include "network/scratch_folder.h"
#include "network/workspace.h"
#include "support/test_support.h"

using namespace network;
namespace fs = std::filesystem;

TEST(ToolkitBinding, MissingLibraryOrFunctionIsReportedByName) {
    try {
        Toolkit toolkit("/nonexistent/libepanet2.so");
        FAIL() << "a missing library went unnoticed";
    } catch (const ToolkitError& e) {
        EXPECT_EQ(e.code(), -1);
        EXPECT_NE(std::string(e.what()).find("/nonexistent/libepanet2.so"), std::string::npos) << e.what();
    }
    // A library without the toolkit's functions: the first missing one is named.
    try {
        Toolkit toolkit("libm.so.6");
        FAIL() << "a library without the toolkit's functions was bound";
    } catch (const ToolkitError& e) {
        EXPECT_NE(std::string(e.what()).find("EN_createproject"), std::string::npos) << e.what();
    }
}

TEST(ToolkitBinding, WarningsCountAsFailures) {
    const Toolkit& toolkit = *testing_support::Toolkit();
    EXPECT_NO_THROW(toolkit.Check(0, "EN_solveH"));
    EXPECT_THROW(toolkit.Check(6, "EN_solveH"), ToolkitError);  // a toolkit warning
    EXPECT_FALSE(toolkit.ErrorText(200).empty());
    EXPECT_GE(toolkit.Version(), 20200);
}

TEST(ToolkitBinding, ProjectsRunSideBySideAndCheckEveryCall) {
    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(2));
    network::Project a(*testing_support::Toolkit()), b(*testing_support::Toolkit());
    a.Open(dir.File("chain.inp"));
    b.Open(dir.File("chain.inp"));
    EXPECT_EQ(a.Count(EN_NODECOUNT), 3);
    EXPECT_EQ(b.TimeParam(EN_QUALSTEP), 300);
    a.SolveH();
    a.OpenQ();
    a.InitQ(EN_NOSAVE);
    EXPECT_EQ(a.RunQ(), 0);
    EXPECT_GT(a.StepQ(), 0);
    EXPECT_NEAR(a.NodeValue(1, EN_DEMAND), 10.0, 1e-5);
    EXPECT_THROW(b.NodeValue(99, EN_DEMAND), ToolkitError);
    double x = 0, y = 0;
    EXPECT_FALSE(b.NodeCoordinates(1, x, y));  // the chain network has no map
    // A project left with its quality solver open is closed by its destructor.
}

TEST(ToolkitBinding, ProjectsOpenedOnSeveralThreadsAtOnceAllReadTheirNetwork) {
    const std::string path = testing_support::ExampleNetwork(1);
    std::atomic<int> failures{0};
    {
        std::vector<std::jthread> threads;
        for (int w = 0; w < 8; ++w)
            threads.emplace_back([&] {
                for (int k = 0; k < 10; ++k) {
                    try {
                        network::Project project(*testing_support::Toolkit());
                        project.Open(path);
                        if (project.Count(EN_NODECOUNT) != 144) ++failures;
                    } catch (const ToolkitError&) {
                        ++failures;
                    }
                }
            });
    }
    EXPECT_EQ(failures, 0);
}

namespace {

int ToolkitScratchFiles(const std::string& folder) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        count += name.size() == 8 && name.rfind("en", 0) == 0;
    }
    return count;
}

}  // namespace

// The toolkit's scratch files go into the workspace, which is private,
// current while the thread stands in it and gone afterwards; the folder that
// was current before is current again.
TEST(Workspace, HoldsTheToolkitsScratchFilesAndLeavesNothingBehind) {
    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(2));
    const fs::path before = fs::current_path();
    std::string path;
    {
        Workspace workspace;
        const ThreadScratchFolder inWorkspace(workspace);
        path = workspace.Path();
        EXPECT_EQ(fs::current_path(), fs::path(path));
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_all);
        network::Project project(*testing_support::Toolkit());
        project.Open(dir.File("chain.inp"));
        project.SolveH();  // writes the hydraulic results into a scratch file
        EXPECT_EQ(ToolkitScratchFiles(path), 1);
        EXPECT_EQ(ToolkitScratchFiles(dir.path()), 0);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(fs::current_path(), before);
}

// A workspace entered on one thread moves that thread, and the threads it
// starts, into the folder; the process's folder, as every other thread
// sees it, stays where it was, and no scratch file lands there.
TEST(Workspace, EnteringMovesOnlyThatThreadAndTheThreadsItStarts) {
    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(2));
    const fs::path before = fs::current_path();
    std::string path, seenByWorker;
    int scratchFiles = -1;
    fs::path seenFromOutside;
    std::thread([&] {
        Workspace workspace;
        const ThreadScratchFolder inWorkspace(workspace);
        path = workspace.Path();
        std::thread([&] {
            seenByWorker = fs::current_path().string();
            network::Project project(*testing_support::Toolkit());
            project.Open(dir.File("chain.inp"));
            project.SolveH();
            scratchFiles = ToolkitScratchFiles(path);
        }).join();
        seenFromOutside = fs::read_symlink("/proc/self/cwd");
    }).join();
    EXPECT_EQ(seenByWorker, path);
    EXPECT_EQ(scratchFiles, 1);
    EXPECT_EQ(seenFromOutside, before);
    EXPECT_EQ(fs::current_path(), before);
    EXPECT_EQ(ToolkitScratchFiles(before.string()), 0);
    EXPECT_EQ(ToolkitScratchFiles(dir.path()), 0);
    EXPECT_FALSE(fs::exists(path));
}

// A run killed without cleaning leaves its folder; the next run removes it,
// but never the folder of a run still alive. Making or removing a workspace
// moves no thread.
TEST(Workspace, FoldersOfEndedRunsAreRemovedAndLiveOnesKept) {
    const fs::path before = fs::current_path();
    const std::string abandoned = Workspace::UserFolder() + "/run-killed";
    fs::create_directories(abandoned);
    testing_support::WriteText(abandoned + "/en1A2B3C", "55 MB of hydraulics, once");
    testing_support::WriteText(abandoned + "/.owner", "");
    {
        Workspace alive;
        EXPECT_EQ(fs::current_path(), before);
        EXPECT_FALSE(fs::exists(abandoned));
        EXPECT_EQ(Workspace::RemoveAbandoned(), 0);
        EXPECT_TRUE(fs::exists(alive.Path()));
        Workspace second;  // a second run at the same time keeps the first one's folder
        EXPECT_TRUE(fs::exists(alive.Path()));
        EXPECT_NE(second.Path(), alive.Path());
    }
    EXPECT_EQ(fs::current_path(), before);
}

// Processes started together (the processes of an MPI job on one host)
// must never take each other's new folder for an abandoned one.
TEST(Workspace, RunsStartedAtTheSameMomentEachGetTheirFolder) {
    constexpr int kRuns = 12;
    for (int round = 0; round < 3; ++round) {
        std::vector<pid_t> children;
        for (int run = 0; run < kRuns; ++run) {
            const pid_t child = ::fork();
            if (child == 0) {
                try {
                    Workspace workspace;
                    ::usleep(20000);
                    ::_exit(fs::exists(workspace.Path() + "/.owner") ? 0 : 2);
                } catch (...) {
                    ::_exit(1);
                }
            }
            children.push_back(child);
        }
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
    }
}

// A run makes its folder under a new name and renames it once it holds its
// lock: a new folder is removed only when its lock is free (its run died).
TEST(Workspace, FoldersBeingMadeAreLeftAloneAndDeadOnesRemoved) {
    const std::string user = Workspace::UserFolder();
    fs::create_directories(user);
    const std::string making = user + "/new-making", locked = user + "/new-locked", dead = user + "/new-dead";
    for (const std::string& folder : {making, locked, dead}) fs::create_directories(folder);
    testing_support::WriteText(locked + "/.owner", "");
    testing_support::WriteText(dead + "/.owner", "");
    const int lock = ::open((locked + "/.owner").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    Workspace::RemoveAbandoned();
    EXPECT_TRUE(fs::exists(making));
    EXPECT_TRUE(fs::exists(locked));
    EXPECT_FALSE(fs::exists(dead));
    ::close(lock);
    Workspace::RemoveAbandoned();
    EXPECT_FALSE(fs::exists(locked));
    fs::remove_all(making);
}
