#include <gtest/gtest.h>

#include "network/example_networks.h"
#include "network/netload.h"
#include "network/program_folder.h"
#include "support/test_support.h"

using namespace network;

namespace {

// Runs hydraulics and quality for 96 hours the way the builder does, checking
// that every toolkit call succeeds (a warning throws) and every junction keeps
// positive pressure.
void ExpectClean96HourRun(const Network& net) {
    network::Project project(*testing_support::Toolkit());
    net.OpenToSolve(project);
    EXPECT_EQ(project.FlowUnits(), EN_GPM) << "flow units must be GPM";
    EXPECT_EQ(net.QualStep, 300);
    project.SetTimeParam(EN_DURATION, 96 * 3600);

    project.OpenH();
    project.InitH(EN_NOSAVE);
    long t = 0, step = 0;
    int hydraulicSteps = 0;
    do {
        t = project.RunH();
        for (int n = 1; n <= net.nNodes; ++n) {
            if (net.IsJunction(n)) {
                ASSERT_GT(project.NodeValue(n, EN_PRESSURE), 0.0) << net.NodeID[n] << " at t = " << t;
            }
        }
        step = project.NextH();
        ++hydraulicSteps;
    } while (step > 0);
    project.CloseH();
    EXPECT_GE(hydraulicSteps, 96);

    project.SolveH();
    project.OpenQ();
    project.InitQ(EN_NOSAVE);
    long tleft = 0;
    do {
        t = project.RunQ();
        tleft = project.StepQ();
    } while (tleft > 0);
    EXPECT_EQ(t + net.QualStep, 96 * 3600);  // the last step reported starts one step before the end
    project.CloseQ();
    project.Close();
}

// The shipped file is one every window takes.
void ExpectAcceptedByEveryWindow(int number) {
    const std::string path = testing_support::ExampleNetwork(number);
    EXPECT_TRUE(AcceptedExampleFile(path, Example(number).builderSizes));
    EXPECT_TRUE(AcceptedExampleFile(path, Example(number).evaluatorSizes));
}

}  // namespace

TEST(ExampleNetworks, Network1HasItsAcceptedSizeAndRunsClean) {
    const std::string path = testing_support::ExampleNetwork(1);
    EXPECT_EQ(FileSize(path), 45063);
    ExpectAcceptedByEveryWindow(1);
    const Network net = LoadNetwork(path, testing_support::Toolkit(), network::TemporaryFolder());
    ExpectClean96HourRun(net);
    EXPECT_GE(net.nNodes, 100);
    EXPECT_LE(net.nNodes, 150);
    EXPECT_GE(net.nReservoirs, 1);
    EXPECT_GE(net.nTanks, 2);
    EXPECT_GE(net.nPumps, 1);
    EXPECT_GE(net.nValves, 1);
}

TEST(ExampleNetworks, Network2HasItsAcceptedSizeAndRunsClean) {
    const std::string path = testing_support::ExampleNetwork(2);
    EXPECT_EQ(FileSize(path), 2307252);
    ExpectAcceptedByEveryWindow(2);
    const Network net = LoadNetwork(path, testing_support::Toolkit(), network::TemporaryFolder());
    ExpectClean96HourRun(net);
    EXPECT_GE(net.nNodes, 12000);
    EXPECT_GE(net.nReservoirs, 2);
    EXPECT_GE(net.nTanks, 2);
    EXPECT_GE(net.nPumps, 2);
    EXPECT_GE(net.nValves, 2);
}

// The builder window takes network 1 at one size, the evaluator windows at
// three; a missing file is never taken.
TEST(ExampleNetworks, EachWindowTakesOnlyItsListedSizes) {
    testing_support::ScratchFolder dir;
    testing_support::WriteText(dir.File("net.inp"), std::string(45011, 'x'));
    EXPECT_FALSE(AcceptedExampleFile(dir.File("net.inp"), Example(1).builderSizes));
    EXPECT_TRUE(AcceptedExampleFile(dir.File("net.inp"), Example(1).evaluatorSizes));
    EXPECT_FALSE(AcceptedExampleFile(dir.File("net.inp"), Example(2).evaluatorSizes));
    EXPECT_FALSE(AcceptedExampleFile(dir.File("missing.inp"), {-1, 0}));
    EXPECT_THROW(Example(3), std::out_of_range);
}
