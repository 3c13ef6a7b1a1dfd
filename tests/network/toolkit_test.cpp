#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "network/netload.h"
#include "network/program_folder.h"
#include "network/project.h"
#include "network/solving_copy.h"
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
    a.OpenToSolve(testing_support::ReadText(dir.File("chain.inp")), dir.path());
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

// The chain network's text with its [END] line written as given and, after
// it, what the toolkit must never read.
std::string ChainEndingWith(const std::string& endLine, const std::string& afterEnd) {
    std::string text = testing_support::ChainNetwork(2);
    text.replace(text.rfind("[END]"), 5, endLine);
    return text + afterEnd;
}

// The concentrations at node 2, every quality step, of the chain fed at node 1.
std::vector<double> NodeTwoQuality(network::Project& project) {
    project.SetNodeValue(1, EN_SOURCETYPE, EN_MASS);
    project.SetNodeValue(1, EN_SOURCEQUAL, 1000.0);
    project.SolveH();
    project.OpenQ();
    project.InitQ(EN_NOSAVE);
    std::vector<double> quality;
    long left = 0;
    do {
        project.RunQ();
        quality.push_back(project.NodeValue(2, EN_QUALITY));
        left = project.StepQ();
    } while (left > 0);
    project.CloseQ();
    return quality;
}

}  // namespace

// A project that solves hydraulics keeps its results in an unnamed file of
// the scratch folder it was given: nothing in the current folder, nothing
// in the scratch folder by name, nothing where the network's own
// HYDRAULICS line points (before or after the line that ends the toolkit's
// reading), and the quality solver reads the results back as from its own
// scratch file.
TEST(SolvingCopy, KeepsTheHydraulicResultsInAnUnnamedFileOfTheScratchFolder) {
    testing_support::ScratchFolder user, scratch;
    const std::string own = user.File("own.hyd"), late = user.File("late.hyd");
    const std::string plain = testing_support::ChainNetwork(2);
    const std::vector<std::string> texts = {
        plain,
        ChainEndingWith("[OPTIONS]\nHYDRAULICS SAVE " + own + "\n  [end] ; the reading ends here\n",
                        "[OPTIONS]\nHYDRAULICS SAVE " + late + "\n[JUNCTIONS]\nnot a junction line\n"),
        ChainEndingWith("[OPTIONS]\r\nHYDRAULICS USE " + own, ""),  // no [END], no final line end
    };
    std::vector<double> expected;
    for (const std::string& text : texts) {
        network::Project project(*testing_support::Toolkit());
        project.OpenToSolve(text, scratch.path());
        const std::vector<double> quality = NodeTwoQuality(project);
        EXPECT_TRUE(fs::is_empty(scratch.path()));
        EXPECT_EQ(ToolkitScratchFiles(fs::current_path().string()), 0);
        if (expected.empty()) expected = quality;
        EXPECT_EQ(quality, expected);
    }
    EXPECT_GT(*std::max_element(expected.begin(), expected.end()), 0.0);
    EXPECT_FALSE(fs::exists(own));
    EXPECT_FALSE(fs::exists(late));
    EXPECT_TRUE(fs::is_empty(user.path()));
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

// A scratch folder where no file can be made is named in the refusal.
TEST(SolvingCopy, AScratchFolderWithoutRoomForAFileIsNamed) {
    try {
        network::SolvingCopy copy(testing_support::ChainNetwork(2), "/nonexistent/scratch");
        FAIL() << "a copy was made without its scratch file";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/scratch"), std::string::npos) << e.what();
    }
}
