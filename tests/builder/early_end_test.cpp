// A worker ends an event once its sources are spent and no node or link
// carries contaminant. The reference procedure runs every event to its end,
// so each event's results from both must be the same, value for value.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "builder/baseline.h"
#include "builder/event_simulation.h"
#include "builder/project_session.h"
#include "builder/reference_session.h"
#include "builder/validation.h"
#include "builder_fixture.h"

using namespace builder;

namespace {

// A reservoir feeding a chain of junctions, with a tank on a side branch
// of J2 when tankMixing is given ("MIXED", "2COMP 0.5", ...).
std::string BranchedNetwork(const std::string& tankMixing = "", const std::string& extraSections = "") {
    const bool tank = !tankMixing.empty();
    std::ostringstream inp;
    inp << "[JUNCTIONS]\nJ1 0 20\nJ2 0 15\nJ3 0 10\nJ4 0 10 Day\nJ5 0 5 Day\n[RESERVOIRS]\nR1 120\n";
    if (tank) inp << "[TANKS]\nT1 85 25 5 45 40 0\n[MIXING]\nT1 " << tankMixing << "\n";
    inp << "[PIPES]\nP1 R1 J1 1000 12 100 0 Open\nP2 J1 J2 800 10 100 0 Open\nP3 J2 J3 800 8 100 0 Open\n"
           "P4 J3 J4 600 8 100 0 Open\nP5 J4 J5 600 6 100 0 Open\n"
        << (tank ? "P6 J2 T1 500 8 100 0 Open\n" : "")
        << "[PATTERNS]\nDay 0.6 0.8 1.2 1.4 1.0 0.9\n"
           "[TIMES]\nDuration 24:00\nHydraulic Timestep 1:00\nQuality Timestep 0:05\nPattern Timestep 4:00\n"
           "[OPTIONS]\nUnits GPM\nQuality Chemical mg/L\n[REACTIONS]\nGlobal Bulk 0\nGlobal Wall 0\n"
        << extraSections << "[END]\n";
    return inp.str();
}

// Each event and the recorded steps a worker left out of it.
struct Comparison {
    std::vector<std::pair<Event, std::int32_t>> events;
    int EndedEarly() const {
        int early = 0;
        for (const auto& event : events) early += event.second > 0;
        return early;
    }
};

// Whether an event injects at one of the nodes.
bool InjectsAt(const Event& event, const std::set<std::string>& nodes) {
    for (const Injection& injection : event.injections)
        if (nodes.count(injection.nodeId) > 0) return true;
    return false;
}

void ExpectSameResults(const EventResult& worker, const EventResult& reference, int event) {
    EXPECT_EQ(worker.DetectedFlag, reference.DetectedFlag) << "event " << event;
    EXPECT_EQ(worker.Z1, reference.Z1) << "event " << event;
    EXPECT_EQ(worker.Z2, reference.Z2) << "event " << event;
    EXPECT_EQ(worker.Z3, reference.Z3) << "event " << event;
    EXPECT_EQ(worker.UndetectedPeople, reference.UndetectedPeople) << "event " << event;
    EXPECT_EQ(worker.UndetectedVolume, reference.UndetectedVolume) << "event " << event;
    EXPECT_EQ(reference.StepsLeftOut, 0) << "event " << event;
}

class EarlyEndTest : public ::testing::Test {
protected:
    // Simulates the seeded random events with one worker session, and each
    // again in a reference session of its own, comparing the results.
    Comparison Compare(const std::string& inp, RunParameters p, int events) {
        const network::Network net = builder_testing::LoadNetwork(folder_, "net.inp", inp);
        p.Mode = EventMode::RandomEvents;
        p.nRandomEvents = events;
        const FlowFactors flow = ValidateBuild(net, p);
        baseline_ = RunBaseline(net, p, flow);
        const EventSettings settings = MakeEventSettings(net, p, flow);
        ProjectSession worker(net, p);
        EventSimulation simulation(baseline_, settings), reference(baseline_, settings);
        EventResult fromWorker, fromReference;
        Comparison comparison;
        for (const Event& event : GenerateEvents(net, p, SeededUniformSource(4242))) {
            ReferenceSession session(net, p);
            reference.Run(session, event, fromReference);
            session.Close();
            worker.BeginEvent();
            simulation.Run(worker, event, fromWorker);
            comparison.events.emplace_back(event, fromWorker.StepsLeftOut);
            ExpectSameResults(fromWorker, fromReference, static_cast<int>(comparison.events.size()));
        }
        return comparison;
    }

    testing_support::ScratchFolder folder_;
    Baseline baseline_;
};

}  // namespace

// Water reaches the last junction within hours, so events are flushed long
// before the 96 hours end, except where a source at the reservoir leaves it
// contaminated.
TEST_F(EarlyEndTest, FlushedEventsEndEarlyWithTheReferenceResults) {
    RunParameters p;
    p.nInjectionsPerEvent = 2;
    const Comparison c = Compare(BranchedNetwork(), p, 16);
    EXPECT_TRUE(baseline_.CleanIsFinal);
    for (const auto& [event, leftOut] : c.events) {
        if (InjectsAt(event, {"R1"}))
            EXPECT_EQ(leftOut, 0);
        else
            EXPECT_GT(leftOut, 500);
    }
    EXPECT_GT(c.EndedEarly(), 8);
}

TEST_F(EarlyEndTest, ExposureAndDetectionSettingsGiveTheReferenceResults) {
    RunParameters p;
    p.DetectionSensitivity = 0.5f;
    p.InjectionDuration = 5;
    EXPECT_GT(Compare(BranchedNetwork(), p, 8).EndedEarly(), 0);
    p.NoZ2 = true;
    p.MaxSimDuration = 30;
    EXPECT_GT(Compare(BranchedNetwork(), p, 8).EndedEarly(), 0);
}

// Contaminant that reaches the tank stays there, so only events downstream
// of the tank's branch end early; all give the reference results.
TEST_F(EarlyEndTest, AMixedTankKeepsContaminatedEventsRunning) {
    RunParameters p;
    const Comparison c = Compare(BranchedNetwork("MIXED"), p, 24);
    EXPECT_TRUE(baseline_.CleanIsFinal);
    for (const auto& [event, leftOut] : c.events)
        EXPECT_EQ(leftOut > 0, InjectsAt(event, {"J3", "J4", "J5"})) << event.injections[0].nodeId;
}

// A tank whose node shows only part of its water, or water that starts
// contaminated, keeps every event running to its end.
TEST_F(EarlyEndTest, EventsRunToTheEndWhereCleanIsNotFinal) {
    RunParameters p;
    EXPECT_EQ(Compare(BranchedNetwork("2COMP 0.5"), p, 6).EndedEarly(), 0);
    EXPECT_FALSE(baseline_.CleanIsFinal);
    EXPECT_EQ(Compare(BranchedNetwork("", "[QUALITY]\nJ3 0.4\n"), p, 6).EndedEarly(), 0);
    EXPECT_FALSE(baseline_.CleanIsFinal);
}

TEST_F(EarlyEndTest, BaselineListsEveryRecordedStep) {
    RunParameters p;
    p.MaxSimDuration = 10;
    Compare(BranchedNetwork(), p, 1);
    // 10 hours of 5-minute steps; the toolkit reports no time at the very end.
    ASSERT_EQ(baseline_.RecordedSteps.size(), 120u);
    for (std::size_t s = 0; s < baseline_.RecordedSteps.size(); ++s)
        EXPECT_EQ(baseline_.RecordedSteps[s], static_cast<std::int32_t>(s));
}
