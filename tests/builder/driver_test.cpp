#include <gtest/gtest.h>

#include <filesystem>

#include "builder/baseline.h"
#include "builder/driver.h"
#include "builder/matrix_files.h"
#include "builder/run_parameters.h"
#include "builder_fixture.h"
#include "network/netload.h"

using namespace builder;
using builder_testing::Fields;
using builder_testing::Lines;

namespace {

// Reservoir R1 feeds J1 -> J2 -> J3 (10 gpm each) through 1000 ft pipes.
class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = builder_testing::LoadNetwork(folder_, "chain.inp", testing_support::ChainNetwork(3));
    }

    // Draws that put every injection at J1 at step 0.
    static UniformSource AtJ1() {
        return [] { return 0.0; };
    }

    bool AnyMatrixFile() const {
        for (int k = 1; k <= 4; ++k)
            if (std::filesystem::exists(MatrixFileName(path_, k))) return true;
        return false;
    }

    testing_support::ScratchFolder folder_;
    std::string path_;
    builder_testing::RecordingHost recorder_;
};

}  // namespace

TEST_F(DriverTest, BaselineGivesDailyVolumeAndPopulation) {
    Baseline base = RunBaseline();
    EXPECT_EQ(base.nSteps, 1152);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_FLOAT_EQ(base.DailyVolume[n], 14400.0f);
        EXPECT_NEAR(base.Population[n], 181.6998f, 1e-3f);  // 3.785412 x 14400 / 300
        EXPECT_FLOAT_EQ(base.VolumePerMinute[n], 10.0f);
        EXPECT_NEAR(base.Demand(0, n), 10.0f, 1e-5f);
        EXPECT_NEAR(base.Demand(1151, n), 10.0f, 1e-5f);
        EXPECT_EQ(base.Demand(1152, n), 0.0f);  // the final time is not recorded
    }
    EXPECT_EQ(base.Population[4], 0.0f);  // the reservoir
    EXPECT_EQ(base.Demand(5, 4), 0.0f);
}

TEST_F(DriverTest, WholeBuildOfOneEventOnAChain) {
    EventMode = 2;
    nRandomEvents = 1;
    nEvents = 1;
    ASSERT_EQ(RunScenarioSimulations(recorder_.Host(), AtJ1()), RunOutcome::Completed);

    auto z4 = Lines(path_ + ".z4"), z1 = Lines(path_ + ".z1"), z2 = Lines(path_ + ".z2"), z3 = Lines(path_ + ".z3");
    ASSERT_EQ(z4.size(), 2u);
    EXPECT_EQ(z4[0], "999,999,999,999,999,999,999,999,999,\"J1\",\"J2\",\"J3\",\"R1\",");
    EXPECT_EQ(z4[1], "\"J1\",0,479167,999,999,999,999,999,999,1,1,1,0,");
    auto times = Fields(z1[1]), people = Fields(z2[1]), volumes = Fields(z3[1]);
    // J1 sees the contaminant one step after the injection starts.
    EXPECT_EQ(times[9], "5");
    EXPECT_EQ(volumes[9], "50");
    // Downstream junctions detect later and have seen more contaminated water drawn.
    EXPECT_LT(std::stof(times[9]), std::stof(times[10]));
    EXPECT_LT(std::stof(times[10]), std::stof(times[11]));
    EXPECT_LT(std::stof(volumes[10]), std::stof(volumes[11]));
    EXPECT_GT(std::stof(people[9]), 0.0f);
    EXPECT_GT(std::stof(people[11]), std::stof(people[9]));
    // The reservoir upstream never detects.
    EXPECT_EQ(times[12], "11520");
    EXPECT_EQ(people[12], "-1");
    EXPECT_EQ(volumes[12], "-1");
    EXPECT_EQ(recorder_.captions, std::vector<std::string>{"1/1 - 0 minutes remaining"});
}

TEST_F(DriverTest, StopBetweenEventsLeavesHeaderAndWholeRecords) {
    EventMode = 1;
    RepeatCount = 2;
    nEvents = 8;
    DriverHost host = recorder_.Host();
    host.SetCaption = [this](const std::string& caption) {
        recorder_.captions.push_back(caption);
        if (recorder_.captions.size() == 3) StopRequested = true;
    };
    StopRequested = true;  // a stop before the build has no effect
    ASSERT_EQ(RunScenarioSimulations(host, AtJ1()), RunOutcome::Stopped);
    EXPECT_EQ(recorder_.messages, std::vector<std::string>{"Run is stoped"});
    for (int k = 1; k <= 4; ++k) {
        auto lines = Lines(MatrixFileName(path_, k));
        ASSERT_EQ(lines.size(), 3u) << k;
        for (auto& line : lines) EXPECT_EQ(Fields(line).size(), 13u);
    }
    EXPECT_EQ(recorder_.captions[0].substr(0, 4), "1/8 ");
}

TEST_F(DriverTest, WithoutZ2NoZ2FileIsLeftAndNoEventsLeaveTheHeaderAlone) {
    testing_support::WriteText(path_ + ".z2", "an old matrix\r\n");
    NoZ2 = true;
    EventMode = 1;
    RepeatCount = 0;
    nEvents = 0;
    ASSERT_EQ(RunScenarioSimulations(recorder_.Host(), AtJ1()), RunOutcome::Completed);
    EXPECT_FALSE(std::filesystem::exists(path_ + ".z2"));
    for (int k : {1, 3, 4}) EXPECT_EQ(Lines(MatrixFileName(path_, k)).size(), 1u);
}

TEST_F(DriverTest, UnsoundParametersAreRefusedBeforeAnyFileIsTouched) {
    auto expectRefused = [&](const std::string& fragment) {
        try {
            RunScenarioSimulations(recorder_.Host(), AtJ1());
            ADD_FAILURE() << "accepted a build that should be refused: " << fragment;
        } catch (const BuildError& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
        }
        EXPECT_FALSE(AnyMatrixFile());
        builder_testing::SetDefaultParameters();
    };
    BodyWeight = 0;
    expectRefused("body weight");
    D50 = -41;
    expectRefused("D50");
    IngestionRate = 0;
    expectRefused("ingestion rate");
    MaxSimDuration = 0;
    expectRefused("Max simulation duration");
    PerCapitaConsumption = 0;
    expectRefused("consumption");
    network::NodeID[2] = "J\"2";
    expectRefused("J\"2");
    network::NodeID[2] = "J2";
    FlowTimeFactor = 0;
    expectRefused("flow units");
}

TEST(FlowUnits, EveryToolkitUnitHasTrueLitresPerVolumeUnit) {
    struct Case { int code; float seconds, litres; };
    for (Case c : {Case{0, 1, 28.31685f}, Case{1, 60, 3.785412f}, Case{2, 86400, 3785412}, Case{3, 86400, 4546092},
                   Case{4, 86400, 1233481.8f}, Case{5, 1, 1}, Case{6, 60, 1}, Case{7, 86400, 1e6f},
                   Case{8, 3600, 1000}, Case{9, 86400, 1000}, Case{10, 1, 1000}}) {
        ASSERT_TRUE(SetFlowFactors(c.code)) << c.code;
        EXPECT_EQ(FlowTimeFactor, c.seconds) << c.code;
        EXPECT_EQ(FlowVolumeFactor, c.litres) << c.code;
    }
    EXPECT_FALSE(SetFlowFactors(11));
    EXPECT_FALSE(SetFlowFactors(-1));
    EXPECT_EQ(FlowVolumeFactor, 1000.0f);  // unchanged by a refused code
}

TEST(Progress, CaptionShowsEventsAndRemainingMinutes) {
    EXPECT_EQ(ProgressCaption(7, 300, 12.5f), "7/300 - 12.5 minutes remaining");
    EXPECT_EQ(ProgressCaption(1, 300, 0.0f), "1/300 - 0 minutes remaining");
    // 90 s for 7 events: 12.857.. s each, 293 left = 62.786.. minutes, shown as 62.79.
    EXPECT_FLOAT_EQ(RemainingMinutes(90, 7, 300), 62.79f);
    EXPECT_EQ(ProgressCaption(7, 300, RemainingMinutes(90, 7, 300)), "7/300 - 62.79 minutes remaining");
    EXPECT_EQ(RemainingMinutes(0, 1, 300), 0.0f);
}
