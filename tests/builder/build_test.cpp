#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "builder/baseline.h"
#include "builder/build.h"
#include "builder/flow_units.h"
#include "builder/validation.h"
#include "builder_fixture.h"
#include "matrix/file_names.h"

using namespace builder;
using builder_testing::Fields;
using builder_testing::Lines;
using matrix::MatrixFileName;

namespace {

// Reservoir R1 feeds J1 -> J2 -> J3 (10 gpm each) through 1000 ft pipes.
class BuildTest : public ::testing::Test {
protected:
    void SetUp() override {
        net_ = builder_testing::LoadNetwork(folder_, "chain.inp", testing_support::ChainNetwork(3));
        path_ = net_.path;
    }

    // Draws that put every injection at J1 at step 0.
    static BuildDescription AtJ1(BuildDescription description = builder_testing::Reference()) {
        description.random = [] { return 0.0; };
        return description;
    }

    bool AnyMatrixFile() const {
        for (int k = 1; k <= 4; ++k)
            if (std::filesystem::exists(MatrixFileName(path_, k))) return true;
        return false;
    }

    BuildOutcome Build(const BuildDescription& description) { return RunBuild(net_, description, recorder_.Host()); }

    testing_support::ScratchFolder folder_;
    network::Network net_;
    std::string path_;
    builder_testing::RecordingHost recorder_;
};

}  // namespace

TEST_F(BuildTest, BaselineGivesDailyVolumeAndPopulation) {
    const RunParameters p;
    const Baseline base = RunBaseline(net_, p, *FlowFactorsOf(net_.FlowUnits));
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

TEST_F(BuildTest, WholeBuildOfOneEventOnAChain) {
    BuildDescription description = AtJ1();
    description.parameters.Mode = EventMode::RandomEvents;
    description.parameters.nRandomEvents = 1;
    const BuildOutcome outcome = Build(description);
    ASSERT_EQ(outcome.status, BuildStatus::Completed) << outcome.reason;
    EXPECT_EQ(outcome.eventsPlanned, 1);
    EXPECT_EQ(outcome.eventsWritten, 1);
    EXPECT_EQ(outcome.files, (std::vector<std::string>{path_ + ".z1", path_ + ".z2", path_ + ".z3", path_ + ".z4"}));

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
    // Progress before the event and after it, with its pace.
    ASSERT_EQ(recorder_.progress.size(), 2u);
    EXPECT_EQ(recorder_.progress[0].done, 0);
    EXPECT_EQ(recorder_.progress[1].done, 1);
    EXPECT_EQ(recorder_.progress[1].total, 1);
    EXPECT_GT(recorder_.progress[1].eventsPerSecond, 0.0);
    EXPECT_EQ(recorder_.progress[1].remainingSeconds, 0.0);
    ASSERT_EQ(recorder_.starts.size(), 1u);
    EXPECT_EQ(recorder_.starts[0].events, 1);
}

TEST_F(BuildTest, StopBetweenEventsLeavesHeaderAndWholeRecords) {
    BuildDescription description = AtJ1();
    description.parameters.RepeatCount = 2;
    recorder_.stopWhen = [](const builder_testing::RecordingHost& host) { return host.progress.back().done == 2; };
    const BuildOutcome outcome = Build(description);
    ASSERT_EQ(outcome.status, BuildStatus::Stopped);
    EXPECT_EQ(outcome.eventsPlanned, 8);
    EXPECT_EQ(outcome.eventsWritten, 2);
    for (int k = 1; k <= 4; ++k) {
        auto lines = Lines(MatrixFileName(path_, k));
        ASSERT_EQ(lines.size(), 3u) << k;
        for (auto& line : lines) EXPECT_EQ(Fields(line).size(), 13u);
    }
}

TEST_F(BuildTest, WithoutZ2NoZ2FileIsLeftAndNoEventsLeaveTheHeaderAlone) {
    testing_support::WriteText(path_ + ".z2", "an old matrix\r\n");
    BuildDescription description = AtJ1();
    description.parameters.NoZ2 = true;
    description.parameters.RepeatCount = 0;
    const BuildOutcome outcome = Build(description);
    ASSERT_EQ(outcome.status, BuildStatus::Completed);
    EXPECT_EQ(outcome.eventsWritten, 0);
    EXPECT_FALSE(std::filesystem::exists(path_ + ".z2"));
    for (int k : {1, 3, 4}) EXPECT_EQ(Lines(MatrixFileName(path_, k)).size(), 1u);
}

TEST_F(BuildTest, UnsoundParametersAreRefusedBeforeAnyFileIsTouched) {
    auto expectRefused = [&](const std::string& fragment, const std::function<void(RunParameters&)>& change) {
        BuildDescription description = AtJ1();
        change(description.parameters);
        const BuildOutcome outcome = Build(description);
        EXPECT_EQ(outcome.status, BuildStatus::Refused) << fragment;
        EXPECT_NE(outcome.reason.find(fragment), std::string::npos) << outcome.reason;
        EXPECT_FALSE(AnyMatrixFile());
    };
    expectRefused("body weight", [](RunParameters& p) { p.BodyWeight = 0; });
    expectRefused("D50", [](RunParameters& p) { p.D50 = -41; });
    expectRefused("ingestion rate", [](RunParameters& p) { p.IngestionRate = 0; });
    expectRefused("Max simulation duration", [](RunParameters& p) { p.MaxSimDuration = 0; });
    expectRefused("consumption", [](RunParameters& p) { p.PerCapitaConsumption = 0; });
    expectRefused("number of events", [](RunParameters& p) { p.RepeatCount = 1 << 30; });
    net_.NodeID[2] = "J\"2";
    expectRefused("J\"2", [](RunParameters&) {});
    net_.NodeID[2] = "J2";
    net_.FlowUnits = 42;
    expectRefused("flow units (code 42)", [](RunParameters&) {});
}

// A caller that ran the checks hands their outcome to the build, which does
// not check again and writes the same set; the network-only checks leave the
// run parameters to the caller.
TEST_F(BuildTest, AValidatedBuildWritesWhatACheckingOneWrites) {
    BuildDescription description = AtJ1();
    description.parameters.Mode = EventMode::RandomEvents;
    description.parameters.nRandomEvents = 2;
    ASSERT_EQ(Build(description).status, BuildStatus::Completed);
    std::vector<std::string> checked;
    for (int k = 1; k <= 4; ++k) checked.push_back(testing_support::ReadText(MatrixFileName(path_, k)));

    const ValidatedBuild validated = ValidateBuild(net_, description.parameters);
    ASSERT_EQ(RunBuild(net_, description, validated, recorder_.Host()).status, BuildStatus::Completed);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(testing_support::ReadText(MatrixFileName(path_, k)), checked[k - 1]) << k;

    RunParameters unsound = description.parameters;
    unsound.BodyWeight = 0;
    EXPECT_THROW(ValidateBuild(net_, unsound), ParameterError);
    EXPECT_NO_THROW(ValidateNetworkFor(net_, unsound));
    net_.FlowUnits = 42;
    EXPECT_THROW(ValidateNetworkFor(net_, unsound), BuildError);
}

// Two builds one after another, and two builds on different networks at the
// same time, each with its own workers: each writes exactly what it writes alone.
TEST_F(BuildTest, BuildsAfterAndBesideEachOtherAreIndependent) {
    testing_support::ScratchFolder otherFolder;
    const network::Network other =
        builder_testing::LoadNetwork(otherFolder, "chain5.inp", testing_support::ChainNetwork(5));
    BuildDescription description = builder_testing::Workers(2, 77);
    description.parameters.MaxSimDuration = 12;
    ASSERT_EQ(RunBuild(net_, description).status, BuildStatus::Completed);
    ASSERT_EQ(RunBuild(other, description).status, BuildStatus::Completed);
    const std::string alone = testing_support::ReadText(path_ + ".z3");
    const std::string otherAlone = testing_support::ReadText(other.path + ".z3");
    ASSERT_EQ(RunBuild(net_, description).status, BuildStatus::Completed);  // again, one after the other
    EXPECT_EQ(testing_support::ReadText(path_ + ".z3"), alone);

    BuildOutcome first, second;
    {
        std::jthread a([&] { first = RunBuild(net_, description); });
        std::jthread b([&] { second = RunBuild(other, description); });
    }
    ASSERT_EQ(first.status, BuildStatus::Completed) << first.reason;
    ASSERT_EQ(second.status, BuildStatus::Completed) << second.reason;
    EXPECT_EQ(first.eventsWritten, 8);
    EXPECT_EQ(second.eventsWritten, 12);
    EXPECT_EQ(testing_support::ReadText(path_ + ".z3"), alone);
    EXPECT_EQ(testing_support::ReadText(other.path + ".z3"), otherAlone);
}

TEST(FlowUnits, EveryToolkitUnitHasTrueLitresPerVolumeUnit) {
    struct Case { int code; float seconds, litres; };
    for (Case c : {Case{0, 1, 28.31685f}, Case{1, 60, 3.785412f}, Case{2, 86400, 3785412}, Case{3, 86400, 4546092},
                   Case{4, 86400, 1233481.8f}, Case{5, 1, 1}, Case{6, 60, 1}, Case{7, 86400, 1e6f},
                   Case{8, 3600, 1000}, Case{9, 86400, 1000}, Case{10, 1, 1000}}) {
        const auto factors = FlowFactorsOf(c.code);
        ASSERT_TRUE(factors) << c.code;
        EXPECT_EQ(factors->FlowTimeFactor, c.seconds) << c.code;
        EXPECT_EQ(factors->FlowVolumeFactor, c.litres) << c.code;
    }
    EXPECT_FALSE(FlowFactorsOf(11));
    EXPECT_FALSE(FlowFactorsOf(-1));
}
