#include <gtest/gtest.h>

#include <sstream>

#include "builder/build.h"
#include "builder_fixture.h"
#include "matrix/file_names.h"

using namespace builder;
using builder_testing::Lines;
using matrix::MatrixFileName;

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
        net_ = builder_testing::LoadNetwork(folder_, name, inp);
        path_ = net_.path;
        parameters_.Mode = EventMode::RandomEvents;
    }

    Matrices Read() const {
        Matrices m;
        for (int k = 1; k <= 4; ++k) m.text[k] = testing_support::ReadText(MatrixFileName(path_, k));
        return m;
    }

    // Builds the seeded random event set and returns the four files.
    Matrices Build(BuildDescription description, const BuildHost& host = {}) {
        description.parameters = parameters_;
        outcome_ = RunBuild(net_, description, host);
        return Read();
    }

    static BuildDescription Workers(int count) { return builder_testing::Workers(count, 20261207); }
    static BuildDescription ReferenceProcedure() { return builder_testing::Reference(20261207); }

    // Lines of a reference file up to and including record k.
    static std::string Prefix(const std::string& text, std::size_t records) {
        std::size_t end = 0;
        for (std::size_t line = 0; line <= records; ++line) end = text.find("\r\n", end) + 2;
        return text.substr(0, end);
    }

    testing_support::ScratchFolder folder_;
    network::Network net_;
    std::string path_;
    RunParameters parameters_;
    BuildOutcome outcome_;
};

}  // namespace

TEST_F(ParallelBuildTest, WorkersWriteTheReferenceBytesOnASmallNetwork) {
    Load("looped.inp", LoopedNetwork());
    parameters_.nRandomEvents = 24;
    parameters_.nInjectionsPerEvent = 2;
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
    parameters_.nRandomEvents = 24;
    Matrices reference = Build(ReferenceProcedure());
    EXPECT_EQ(Build(Workers(2)), reference);
}

TEST_F(ParallelBuildTest, WorkersWriteTheReferenceBytesOnExampleNetwork1) {
    Load("Network_1.inp", testing_support::ReadText(testing_support::ExampleNetwork(1)));
    parameters_.nRandomEvents = 30;
    parameters_.nInjectionsPerEvent = 3;
    Matrices reference = Build(ReferenceProcedure());
    EXPECT_EQ(Build(Workers(2)), reference);
}

TEST_F(ParallelBuildTest, StopLeavesAContiguousPrefixOfWholeRecords) {
    Load("looped.inp", LoopedNetwork());
    parameters_.nRandomEvents = 40;
    Matrices reference = Build(ReferenceProcedure());

    builder_testing::RecordingHost recorder;
    std::size_t writtenAtStop = 0;
    recorder.stopWhen = [&](const builder_testing::RecordingHost& host) {
        const auto written = static_cast<std::size_t>(host.progress.back().done);
        if (writtenAtStop == 0 && written >= 3) writtenAtStop = written;
        return writtenAtStop > 0;
    };
    Matrices stopped = Build(Workers(2), recorder.Host());
    ASSERT_EQ(outcome_.status, BuildStatus::Stopped);
    std::size_t records = Lines(MatrixFileName(path_, 4)).size() - 1;
    EXPECT_EQ(records, static_cast<std::size_t>(outcome_.eventsWritten));
    EXPECT_GE(records, writtenAtStop);
    EXPECT_LT(records, 40u);
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(stopped.text[k], Prefix(reference.text[k], records)) << k;
}

TEST_F(ParallelBuildTest, AFailingWorkerStopsTheBuildWithWholeRecords) {
    Load("looped.inp", LoopedNetwork());
    parameters_.nRandomEvents = 12;
    Matrices reference = Build(ReferenceProcedure());
    BuildDescription description = Workers(2);
    description.beforeEvent = [](std::int32_t eventIndex) {
        if (eventIndex == 6) testing_support::Toolkit()->Check(110, "EN_solveH");
    };
    Matrices failed = Build(description);
    EXPECT_EQ(outcome_.status, BuildStatus::Failed);
    EXPECT_NE(outcome_.reason.find("code 110"), std::string::npos) << outcome_.reason;
    std::size_t records = Lines(MatrixFileName(path_, 4)).size() - 1;
    EXPECT_LT(records, 6u);
    EXPECT_EQ(records, static_cast<std::size_t>(outcome_.eventsWritten));
    for (int k = 1; k <= 4; ++k) EXPECT_EQ(failed.text[k], Prefix(reference.text[k], records)) << k;
}
