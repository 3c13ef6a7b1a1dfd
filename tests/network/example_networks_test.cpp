#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "network/netload.h"
#include "network/program_folder.h"
#include "support/test_support.h"

using namespace network;

namespace {

// Runs hydraulics and quality for 96 hours the way the builder does, checking
// that every toolkit call succeeds and every junction keeps positive pressure.
void ExpectClean96HourRun(const std::string& path) {
    ASSERT_EQ(OpenNetwork(path, "rep.dat", "out.dat"), 0);
    int units = -1;
    ASSERT_EQ(ENgetflowunits(&units), 0);
    EXPECT_EQ(units, 1) << "flow units must be GPM";
    EXPECT_EQ(QualStep, 300);
    ASSERT_EQ(ENsettimeparam(EN_DURATION, 96 * 3600), 0);

    auto openH = Bind<int()>("ENopenH");
    auto initH = Bind<int(int)>("ENinitH");
    auto runH = Bind<int(long*)>("ENrunH");
    auto nextH = Bind<int(long*)>("ENnextH");
    auto closeH = Bind<int()>("ENcloseH");
    const int EN_PRESSURE = 11;
    ASSERT_EQ(openH(), 0);
    ASSERT_EQ(initH(0), 0);
    long t = 0, step = 0;
    int hydraulicSteps = 0;
    do {
        ASSERT_EQ(runH(&t), 0) << "at t = " << t;
        for (int n = 1; n <= nNodes; ++n) {
            int type = 0;
            ENgetnodetype(n, &type);
            if (type != EN_JUNCTION) continue;
            float pressure = 0;
            ENgetnodevalue(n, EN_PRESSURE, &pressure);
            ASSERT_GT(pressure, 0.0f) << "junction " << NodeID[n] << " at t = " << t;
        }
        ASSERT_EQ(nextH(&step), 0) << "at t = " << t;
        ++hydraulicSteps;
    } while (step > 0);
    ASSERT_EQ(closeH(), 0);
    EXPECT_GE(hydraulicSteps, 96);

    ASSERT_EQ(ENsolveH(), 0);
    ASSERT_EQ(ENopenQ(), 0);
    ASSERT_EQ(ENinitQ(EN_NOSAVE), 0);
    long tleft = 0;
    do {
        ASSERT_EQ(ENrunQ(&t), 0) << "at t = " << t;
        ASSERT_EQ(ENstepQ(&tleft), 0) << "at t = " << t;
    } while (tleft > 0);
    EXPECT_EQ(t + QualStep, 96 * 3600);  // the last step reported starts one step before the end
    ASSERT_EQ(ENcloseQ(), 0);
    ASSERT_EQ(ENclose(), 0);
}

}  // namespace

TEST(ExampleNetworks, Network1HasItsAcceptedSizeAndRunsClean) {
    std::string path = testing_support::ExampleNetwork(1);
    EXPECT_EQ(FileSize(path), 45063);
    ExpectClean96HourRun(path);
    EXPECT_GE(nNodes, 100);
    EXPECT_LE(nNodes, 150);
    EXPECT_GE(nReservoirs, 1);
    EXPECT_GE(nTanks, 2);
    EXPECT_GE(nPumps, 1);
    EXPECT_GE(nValves, 1);
}

TEST(ExampleNetworks, Network2HasItsAcceptedSizeAndRunsClean) {
    std::string path = testing_support::ExampleNetwork(2);
    EXPECT_EQ(FileSize(path), 2307252);
    ExpectClean96HourRun(path);
    EXPECT_GE(nNodes, 12000);
    EXPECT_GE(nReservoirs, 2);
    EXPECT_GE(nTanks, 2);
    EXPECT_GE(nPumps, 2);
    EXPECT_GE(nValves, 2);
}
