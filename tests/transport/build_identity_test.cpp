// Whole builds on the own engine against the toolkit's solver: every byte
// of every matrix file and of events.csv the same; what the engine does not
// reproduce builds on the toolkit's solver and says so; a network whose
// shared data would not fit is refused before any file is touched.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/build.h"
#include "builder_fixture.h"
#include "matrix/manifest.h"
#include "support/test_support.h"
#include "test_networks.h"

namespace {

using builder::BuildDescription;
using builder::BuildStatus;
using builder::TransportEngine;
using transport_testing::NetworkOptions;
using transport_testing::TestNetwork;

struct Built {
    builder::BuildOutcome outcome;
    std::vector<builder::BuildStart> starts;
    std::vector<std::string> contents;  // of every file written, manifest aside
    std::string engine;                 // as the manifest records it
};

Built Build(const std::string& inpText, BuildDescription description, TransportEngine engine) {
    testing_support::ScratchFolder folder;
    const network::Network net = builder_testing::LoadNetwork(folder, "net.inp", inpText);
    description.engine = engine;
    builder_testing::RecordingHost host;
    Built built;
    built.outcome = builder::RunBuild(net, description, host.Host());
    built.starts = host.starts;
    for (const std::string& file : built.outcome.files) built.contents.push_back(testing_support::ReadText(file));
    if (const auto manifest = matrix::ReadManifest(net.path)) built.engine = manifest->engine;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (entry.path().string().ends_with(".csv")) built.contents.push_back(testing_support::ReadText(entry.path()));
    return built;
}

// Builds with both engines and expects the same bytes; returns the own build.
Built ExpectSameBytes(const std::string& inpText, const BuildDescription& description) {
    const Built reference = Build(inpText, description, TransportEngine::Toolkit);
    Built own = Build(inpText, description, TransportEngine::Own);
    EXPECT_EQ(reference.outcome.status, BuildStatus::Completed) << reference.outcome.reason;
    EXPECT_EQ(own.outcome.status, BuildStatus::Completed) << own.outcome.reason;
    EXPECT_EQ(reference.engine, "toolkit");
    EXPECT_GT(reference.contents.size(), 4u);
    EXPECT_EQ(own.contents.size(), reference.contents.size());
    for (std::size_t i = 0; i < std::min(own.contents.size(), reference.contents.size()); ++i)
        EXPECT_TRUE(own.contents[i] == reference.contents[i]) << "file " << i << " differs";
    return own;
}

BuildDescription Random(int events, int injections, std::uint64_t seed) {
    BuildDescription d = builder_testing::Workers(2, seed);
    d.acceptWarnings = true;
    d.parameters.Mode = builder::EventMode::RandomEvents;
    d.parameters.nRandomEvents = events;
    d.parameters.nInjectionsPerEvent = injections;
    d.parameters.MaxSimDuration = 30;
    return d;
}

TEST(BuildIdentity, NetworkOneWholeDefaultSet) {
    BuildDescription d = builder_testing::Workers(2, 20261208);
    const Built own = ExpectSameBytes(testing_support::ReadText(testing_support::ExampleNetwork(1)), d);
    EXPECT_EQ(own.engine, "own");
    ASSERT_FALSE(own.starts.empty());
    EXPECT_EQ(own.starts.front().engine, "own");
}

TEST(BuildIdentity, NetworkTwoTwoHundredSeededRandomEvents) {
    const Built own = ExpectSameBytes(testing_support::ReadText(testing_support::ExampleNetwork(2)), Random(200, 2, 77));
    EXPECT_EQ(own.engine, "own");
    EXPECT_EQ(own.outcome.eventsWritten, 200);
}

TEST(BuildIdentity, EveryInjectionTimeOfTheFirstDayWithDetectionThreshold) {
    BuildDescription d = builder_testing::Workers(2, 5);
    d.acceptWarnings = true;
    d.parameters.Mode = builder::EventMode::AllNodesAllTimes;
    d.parameters.MaxSimDuration = 26;
    d.parameters.DetectionSensitivity = 0.05f;
    EXPECT_EQ(ExpectSameBytes(TestNetwork(), d).engine, "own");
}

TEST(BuildIdentity, MultiInjectionEventsOnGeneratedNetworks) {
    NetworkOptions steps;
    steps.hydraulicStep = "0:50";
    steps.qualityStep = "0:20";
    steps.reportStep = "2:00";
    NetworkOptions cfs;
    cfs.flowUnits = "CFS";
    cfs.valveType = "FCV";
    cfs.valveSetting = "1";
    for (const NetworkOptions& options : {NetworkOptions{}, steps, cfs}) {
        EXPECT_EQ(ExpectSameBytes(TestNetwork(options), Random(60, 3, 9)).engine, "own");
    }
}

// Every tank model, in the tall tank the controls hold between two levels
// and in a low one the pump fills up and that ends the run full.
TEST(BuildIdentity, EveryTankMixingModel) {
    for (const bool low : {false, true}) {
        for (const char* model : {"2COMP", "FIFO", "LIFO"}) {
            SCOPED_TRACE(std::string(model) + (low ? " low tank" : ""));
            NetworkOptions tank;
            tank.mixing = model;
            tank.mixFraction = "0.3";
            BuildDescription d = Random(40, 2, 11);
            if (low) {
                tank.tankLevels = "5 1 14";
                d.parameters.MaxSimDuration = 26;
            }
            const Built own = ExpectSameBytes(TestNetwork(tank), d);
            EXPECT_EQ(own.engine, "own");
        }
    }
}

// The toolkit keeps SI sizes in feet; the engine recovers them exactly.
TEST(BuildIdentity, EverySiFlowUnit) {
    for (const char* units : {"LPS", "LPM", "MLD", "CMH", "CMD", "CMS"}) {
        SCOPED_TRACE(units);
        NetworkOptions si;
        si.flowUnits = units;
        EXPECT_EQ(ExpectSameBytes(TestNetwork(si), Random(30, 2, 3)).engine, "own");
    }
}

// Each of these builds on the toolkit's solver, with the same bytes, and
// the first progress report says why.
TEST(BuildIdentity, WhatTheEngineDoesNotReproduceFallsBackToTheToolkit) {
    std::vector<std::pair<NetworkOptions, std::string>> cases;
    NetworkOptions reacting;
    reacting.bulk = -0.5;
    cases.emplace_back(reacting, "reaction");
    for (const auto& [options, reason] : cases) {
        SCOPED_TRACE(reason);
        const Built own = ExpectSameBytes(TestNetwork(options), Random(8, 2, 3));
        EXPECT_EQ(own.engine, "toolkit");
        ASSERT_FALSE(own.starts.empty());
        EXPECT_EQ(own.starts.front().engine, "toolkit");
        EXPECT_NE(own.starts.front().fallbackReason.find(reason), std::string::npos)
            << own.starts.front().fallbackReason;
    }
}

TEST(BuildIdentity, SharedDataBeyondTheMemoryIsRefusedBeforeAnyFile) {
    testing_support::ScratchFolder folder;
    const network::Network net = builder_testing::LoadNetwork(folder, "net.inp", TestNetwork());
    BuildDescription d = Random(4, 1, 1);
    d.engine = TransportEngine::Own;
    d.transportMemoryLimit = 1000;
    const builder::BuildOutcome outcome = builder::RunBuild(net, d);
    EXPECT_EQ(outcome.status, BuildStatus::Refused);
    EXPECT_NE(outcome.reason.find("MB of memory"), std::string::npos) << outcome.reason;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        if (!entry.path().string().ends_with(".lock")) ++files;
    EXPECT_EQ(files, 1u) << "only the network itself (and the set's lock file)";
}

}  // namespace
