#include <gtest/gtest.h>

#include <sstream>

#include "builder/driver.h"
#include "builder/matrix_files.h"
#include "builder/run_parameters.h"
#include "builder_fixture.h"
#include "network/netload.h"

using namespace builder;
using builder_testing::Lines;

namespace {

// A looped town: a reservoir, a tank and eight junctions with a daily pattern.
std::string LoopedNetwork(const std::string& extraSections = "") {
    std::ostringstream inp;
    inp << "[JUNCTIONS]\n";
    for (int j = 1; j <= 8; ++j) inp << "J" << j << " " << 10 * (j % 3) << " " << 5 * j << " Day\n";
    inp << "[RESERVOIRS]\nR1 200\n[TANKS]\nT1 150 20 5 40 50 0\n[PIPES]\n"
           "P1 R1 J1 2000 16 120 0 Open\nP2 J1 J2 800 12 110 0 Open\nP3 J2 J3 800 10 110 0 Open\n"
           "P4 J3 J4 800 8 100 0 Open\nP5 J4 J1 900 10 100 0 Open\nP6 J2 J5 600 8 100 0 Open\n"
           "P7 J5 J6 600 8 100 0 Open\nP8 J6 J3 700 8 100 0 Open\nP9 J4 J7 500 6 100 0 Open\n"
           "P10 J7 J8 400 6 100 0 Open\nP11 J6 T1 1000 10 100 0 Open\n"
           "[PATTERNS]\nDay 0.6 0.5 0.5 0.6 0.9 1.3 1.5 1.4 1.2 1.1 1.0 1.0\n"
           "Day 1.1 1.0 1.0 1.1 1.2 1.4 1.5 1.3 1.1 0.9 0.8 0.7\n"
           "[TIMES]\nDuration 24:00\nHydraulic Timestep 1:00\nQuality Timestep 0:05\nPattern Timestep 1:00\n"
           "[OPTIONS]\nUnits GPM\nQuality Chemical mg/L\n[REACTIONS]\nGlobal Bulk 0\nGlobal Wall 0\n" << extraSections << "[END]\n";
    return inp.str();
}

struct Matrices {
    std::string text[5];
    bool operator==(const Matrices&) const = default;
};

class ParallelBuildTest : public ::testing::Test {
protected:
    void Load(const std::string& name, const std::string& inp) {
        path_ = builder_testing::LoadNetwork(folder_, name, inp);
    }

    Matrices Read() const {
        Matrices m;
        for (int k = 1; k <= 4; ++k) m.text[k] = testing_support::ReadText(MatrixFileName(path_, k));
        return m;
    }

    // Builds the seeded random event set and returns the four files.
    Matrices Build(const BuildOptions& options, const DriverHost& host = {}) {
        colPollutionEvents.clear();
        EventMode = 2;
        nEvents = nRandomEvents;
        RunScenarioSimulations(host, SeededUniformSource(20261207), options);
        return Read();
    }

    static BuildOptions Workers(int count) {
        BuildOptions options;
        options.Workers = count;
        return options;
    }

    // Lines of a reference file up to and including record k.
    static std::string Prefix(const std::string& text, std::size_t records) {
        std::size_t end = 0;
        for (std::size_t line = 0; line <= records; ++line) end = text.find("\r\n", end) + 2;
        return text.substr(0, end);
    }

    testing_support::ScratchFolder folder_;
    std::string path_;
};

}  // namespace

TEST_F(ParallelBuildTest, WorkersWriteTheReferenceBytesOnASmallNetwork) {
    Load("looped.inp", LoopedNetwork());
    nRandomEvents = 24;
    nInjectionsPerEvent = 2;
    Matrices reference = Build(ReferenceProcedure());
    ASSERT_EQ(Lines(MatrixFileName(path_, 4)).size(), 25u);
    EXPECT_EQ(Build(Workers(1)), reference);
    EXPECT_EQ(Build(Workers(4)), reference);
}

// Water already in the network at the start reaches J8 and leaves it within
// hours: workers must read those steps and must keep J8's exposure across the
// clean steps that follow, before and after an event's first injection.
TEST_F(ParallelBuildTest, WorkersWriteTheReferenceBytesWhenTheCleanNetworkCarriesContaminant) {
    Load("flushed.inp", LoopedNetwork("[QUALITY]\nJ7 0.8\nJ8 0.8\n"));
    nRandomEvents = 24;
    nInjectionsPerEvent = 1;
    Matrices reference = Build(ReferenceProcedure());
    EXPECT_EQ(Build(Workers(2)), reference);
}

TEST_F(ParallelBuildTest, WorkersWriteTheReferenceBytesOnExampleNetwork1) {
    Load("Network_1.inp", testing_support::ReadText(testing_support::ExampleNetwork(1)));
    nRandomEvents = 30;
    nInjectionsPerEvent = 3;
    Matrices reference = Build(ReferenceProcedure());
    EXPECT_EQ(Build(Workers(2)), reference);
}

TEST_F(ParallelBuildTest, StopLeavesAContiguousPrefixOfWholeRecords) {
    Load("looped.inp", LoopedNetwork());
    nRandomEvents = 40;
    Matrices reference = Build(ReferenceProcedure());

    builder_testing::RecordingHost recorder;
    DriverHost host = recorder.Host();
    std::size_t writtenAtStop = 0;
    host.SetCaption = [&](const std::string& caption) {
        recorder.captions.push_back(caption);
        std::size_t written = std::stoul(caption.substr(0, caption.find('/')));
        if (written >= 3 && !StopRequested) {
            writtenAtStop = written;
            StopRequested = true;
        }
    };
    colPollutionEvents.clear();
    nEvents = nRandomEvents;
    ASSERT_EQ(RunScenarioSimulations(host, SeededUniformSource(20261207), Workers(2)), RunOutcome::Stopped);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"Run is stoped"});
    Matrices stopped = Read();
    std::size_t records = Lines(MatrixFileName(path_, 4)).size() - 1;
    EXPECT_GE(records, writtenAtStop);
    EXPECT_LT(records, 40u);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(stopped.text[k], Prefix(reference.text[k], records)) << k;
}

TEST_F(ParallelBuildTest, AFailingWorkerStopsTheBuildWithWholeRecords) {
    Load("looped.inp", LoopedNetwork());
    nRandomEvents = 12;
    Matrices reference = Build(ReferenceProcedure());
    BuildOptions options = Workers(2);
    options.BeforeEvent = [](std::int32_t eventIndex) {
        if (eventIndex == 6) network::Check(110, "ENsolveH");
    };
    try {
        Build(options);
        FAIL() << "the failure in event 6 was lost";
    } catch (const network::ToolkitError& e) {
        EXPECT_EQ(e.code(), 110);
    }
    Matrices failed = Read();
    std::size_t records = Lines(MatrixFileName(path_, 4)).size() - 1;
    EXPECT_LT(records, 6u);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(failed.text[k], Prefix(reference.text[k], records)) << k;
}
