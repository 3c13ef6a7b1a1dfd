#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

#include "network/netload.h"
#include "network/program_folder.h"
#include "network/project.h"
#include "network/scratch_files.h"
#include "support/test_support.h"

using namespace network;

TEST(ToolkitBinding, MissingLibraryIsReportedAtTheFirstCall) {
    SetToolkitLibrary("/nonexistent/libepanet2.so");
    try {
        ENclose();
        FAIL() << "a missing library went unnoticed";
    } catch (const ToolkitError& e) {
        EXPECT_EQ(e.code(), -1);
        EXPECT_NE(std::string(e.what()).find("/nonexistent/libepanet2.so"), std::string::npos) << e.what();
    }
}

TEST(ToolkitBinding, MissingFunctionIsReportedByName) {
    try {
        BindToolkitFunction("ENnoSuchFunction");
        FAIL();
    } catch (const ToolkitError& e) {
        EXPECT_NE(std::string(e.what()).find("ENnoSuchFunction"), std::string::npos);
    }
}

TEST(ToolkitBinding, WarningsCountAsFailures) {
    EXPECT_NO_THROW(Check(0, "ENsolveH"));
    EXPECT_THROW(Check(6, "ENsolveH"), ToolkitError);  // a toolkit warning
    EXPECT_FALSE(ToolkitErrorText(200).empty());
}

TEST(ToolkitBinding, ReadOnlyCurrentDirectoryStillOpensNetworks) {
    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(2));
    // /proc refuses new files even to root.
    ASSERT_EQ(::chdir("/proc"), 0);
    EXPECT_EQ(OpenNetwork(dir.File("chain.inp"), "rep.dat", "out.dat"), 0);
    ENclose();
    EXPECT_NE(std::filesystem::current_path(), "/proc");
    EXPECT_EQ(nNodes, 3);
}

TEST(ToolkitBinding, ProjectHandlesRunAlongsideTheLegacyInterface) {
    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(2));
    Project a, b;
    a.Open(dir.File("chain.inp"), "/dev/null", "");
    b.Open(dir.File("chain.inp"), "/dev/null", "");
    EXPECT_EQ(a.Count(EN_NODECOUNT), 3);
    EXPECT_EQ(b.TimeParam(EN_QUALSTEP), 300);
    a.SolveH();
    a.OpenQ();
    a.InitQ(EN_NOSAVE);
    EXPECT_EQ(a.RunQ(), 0);
    EXPECT_GT(a.StepQ(), 0);
    EXPECT_NEAR(a.NodeValue(1, EN_DEMAND), 10.0, 1e-5);
    EXPECT_THROW(b.NodeValue(99, EN_DEMAND), ToolkitError);
}

TEST(ToolkitBinding, ScratchFilesHeldOpenAreRemovedOthersKept) {
    EXPECT_TRUE(IsToolkitScratchName("enZWfWxO"));
    EXPECT_FALSE(IsToolkitScratchName("en.inp.z1"));
    EXPECT_FALSE(IsToolkitScratchName("enAB-D12"));

    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("chain.inp"), testing_support::ChainNetwork(2));
    const auto previous = std::filesystem::current_path();
    ASSERT_EQ(::chdir(dir.path().c_str()), 0);
    testing_support::WriteText(dir.File("enStray1"), "another program's scratch file");
    auto scratchFiles = [&] {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            count += IsToolkitScratchName(entry.path().filename().string());
        return count;
    };
    {
        Project project;
        project.Open(dir.File("chain.inp"), "/dev/null", "");
        project.SolveH();  // writes the hydraulic results into a scratch file
        ASSERT_EQ(scratchFiles(), 2);
        EXPECT_EQ(RemoveOpenScratchFiles(), 1);
        EXPECT_EQ(scratchFiles(), 1);
        EXPECT_TRUE(std::filesystem::exists(dir.File("enStray1")));
    }
    ASSERT_EQ(::chdir(previous.c_str()), 0);
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
                        Project project;
                        project.Open(path, "/dev/null", "");
                        if (project.Count(EN_NODECOUNT) != 144) ++failures;
                    } catch (const ToolkitError&) {
                        ++failures;
                    }
                }
            });
    }
    EXPECT_EQ(failures, 0);
}
