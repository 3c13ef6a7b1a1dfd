#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "builder/event_simulation.h"

using namespace builder;

namespace {

// A scripted quality session: the times it reports and each node's
// concentration at each time are given by the test.
struct FakeSession {
    FakeSession(std::vector<long> t, std::function<float(int, long)> c)
        : times(std::move(t)), concentration(std::move(c)) {}

    std::vector<long> times;  // the times RunQ returns, in order
    std::function<float(int node, long t)> concentration;
    std::size_t pass = 0;
    std::map<long, float> strengthAtRun;  // source strength of node 1 when RunQ returned t
    float strength = 0.0f;
    // Contaminant in the links at time t; nullptr: the session never looks.
    std::function<bool(long t)> linksCarry;
    std::size_t passes = 0;  // quality steps taken over all runs

    void SetSourceQuality(int node, float value) {
        if (node == 1) strength = value;
    }
    void OpenQuality() { pass = 0; }
    long RunQ() {
        strengthAtRun[times[pass]] = strength;
        return times[pass];
    }
    long StepQ() {
        ++passes;
        ++pass;
        return pass < times.size() ? times.back() - times[pass - 1] : 0;
    }
    void ReadQuality(std::vector<float>& conc) {
        for (std::size_t n = 1; n < conc.size(); ++n) conc[n] = concentration(static_cast<int>(n), times[pass]);
    }
    void CloseQuality() {}
    bool BackgroundIsZero(std::int32_t) const { return false; }
    bool CarriesNoContaminant() {
        if (!linksCarry || linksCarry(times[pass])) return false;
        for (int node = 1; node <= 3; ++node)
            if (concentration(node, times[pass]) != 0.0f) return false;
        return true;
    }
};

std::vector<long> Steps(long last, long step = 300) {
    std::vector<long> times;
    for (long t = 0; t <= last; t += step) times.push_back(t);
    return times;
}

// Three nodes: two junctions with a constant demand of 10 (gpm) and a tank.
// Events end early when clean, at the recorded steps of the given times.
Baseline ThreeNodeBaseline(const std::vector<long>& times = {}) {
    Baseline base;
    base.nNodes = 3;
    base.nSteps = 1152;
    base.BaseDemand.assign(1153 * 4, 0.0f);
    for (int s = 0; s < 1152; ++s) base.BaseDemand[s * 4 + 1] = base.BaseDemand[s * 4 + 2] = 10.0f;
    base.DailyVolume = {0, 14400, 14400, 0};
    base.Population = {0, 181.7f, 181.7f, 0};
    base.VolumePerMinute = {0, 10, 10, 0};
    base.CleanIsFinal = !times.empty();
    for (long t : times)
        if (t % 300 == 0) base.RecordedSteps.push_back(static_cast<std::int32_t>(t / 300));
    return base;
}

EventSettings Settings(float sensitivity = 0.0f, bool noZ2 = false) {
    EventSettings settings;
    settings.QualStep = 300;
    settings.MaxSimDuration = 96;
    settings.DetectionSensitivity = sensitivity;
    settings.FlowTimeFactor = 60.0f;
    settings.NoZ2 = noZ2;
    settings.Model = DoseResponse{2.0f, 70.0f, 41.0f, 0.34f, 300};
    return settings;
}

Event EventOf(std::vector<std::pair<int, int>> nodeAndStep, int hours = 2) {
    Event event;
    for (auto [node, step] : nodeAndStep) {
        Injection injection;
        injection.node = node;
        injection.startStep = step;
        injection.hours = hours;
        injection.massRate = 479167.0f;
        event.injections.push_back(injection);
    }
    return event;
}

}  // namespace

TEST(EventSimulation, DetectionTimesCountFromTheFirstInjection) {
    Baseline base = ThreeNodeBaseline();
    EventSimulation simulation(base, Settings());
    FakeSession session{Steps(4 * 3600), [](int node, long t) { return node == 2 && t >= 5400 ? 1.0f : 0.0f; }};
    EventResult result;
    // Injections at steps 20 and 12: the earlier one (3600 s) sets the origin.
    simulation.Run(session, EventOf({{1, 20}, {1, 12}}), result);
    EXPECT_EQ(result.DetectedFlag[2], 1);
    EXPECT_EQ(result.Z1[2], 30.0f);
    // Undetected nodes keep the no-detection values.
    for (int n : {1, 3}) {
        EXPECT_EQ(result.DetectedFlag[n], 0);
        EXPECT_EQ(result.Z1[n], 11520.0f);
        EXPECT_EQ(result.Z2[n], -1.0f);
        EXPECT_EQ(result.Z3[n], -1.0f);
    }
}

TEST(EventSimulation, DetectionNeedsAConcentrationAboveTheSensitivity) {
    Baseline base = ThreeNodeBaseline();
    EventSimulation simulation(base, Settings(0.5f));
    FakeSession session{Steps(3600), [](int node, long t) {
                            if (node == 1) return 0.5f;  // equal: never detects
                            return t >= 600 ? 0.50000006f : 0.0f;
                        }};
    EventResult result;
    simulation.Run(session, EventOf({{3, 0}}), result);
    EXPECT_EQ(result.DetectedFlag[1], 0);
    EXPECT_EQ(result.DetectedFlag[2], 1);
    EXPECT_EQ(result.Z1[2], 10.0f);
    // Injection starting at or after 100 hours: detection measured from 100 hours.
    FakeSession early{Steps(1200), [](int node, long) { return node == 2 ? 1.0f : 0.0f; }};
    simulation.Run(early, EventOf({{3, 1300}}), result);
    EXPECT_EQ(result.Z1[2], -6000.0f);
}

TEST(EventSimulation, ConsumedVolumeCountsEveryContaminatedNodeUpToTheDetectionStep) {
    Baseline base = ThreeNodeBaseline();
    EventSimulation simulation(base, Settings(0.1f));
    // Node 1 is at 1 mg/L from 300 s; node 2 at 0.2 mg/L (detects, adds no volume)
    // from 300 s and at 1 mg/L from 900 s; the tank (no demand) from 600 s.
    FakeSession session{Steps(1800), [](int node, long t) {
                            if (node == 1) return t >= 300 ? 1.0f : 0.0f;
                            if (node == 2) return t >= 900 ? 1.0f : (t >= 300 ? 0.2f : 0.0f);
                            return t >= 600 ? 5.0f : 0.0f;
                        }};
    EventResult result;
    simulation.Run(session, EventOf({{1, 0}}), result);
    // One step of 10 gpm is 10 x 300 / 60 = 50 gallons.
    EXPECT_EQ(result.Z3[1], 50.0f);
    EXPECT_EQ(result.Z3[2], 50.0f);  // detects at the same step, sees the same volume
    EXPECT_EQ(result.Z3[3], 100.0f);
    EXPECT_EQ(result.Z1[3], 10.0f);
    EXPECT_EQ(result.DetectedFlag[3], 1);
}

TEST(EventSimulation, AffectedPopulationUsesTheRunningExposureOfAllNodes) {
    Baseline base = ThreeNodeBaseline();
    EventSimulation simulation(base, Settings());
    // Node 1 carries 2 mg/L from the start; node 2 first sees contaminant at 900 s.
    FakeSession session{Steps(1800), [](int node, long t) {
                            if (node == 1) return 2.0f;
                            return node == 2 && t >= 900 ? 1.0f : 0.0f;
                        }};
    EventResult result;
    simulation.Run(session, EventOf({{1, 0}}), result);
    // Node 1 detects at the first injection step: nobody is affected yet.
    EXPECT_EQ(result.Z2[1], 0.0f);
    // At step 3 node 1 has an exposure sum of 4 x 2 (demand / average = 1), node 2 of 1.
    DoseResponse model = Settings().Model;
    float expected = static_cast<float>(static_cast<double>(ResponseProbability(model, 8.0f)) * 181.7f);
    expected = static_cast<float>(static_cast<double>(ResponseProbability(model, 1.0f)) * 181.7f + expected);
    EXPECT_EQ(result.Z2[2], expected);

    EventSimulation withoutZ2(base, Settings(0.0f, true));
    withoutZ2.Run(session, EventOf({{1, 0}}), result);
    EXPECT_EQ(result.Z2[2], -1.0f);
    EXPECT_EQ(result.DetectedFlag[2], 1);
}

TEST(EventSimulation, InjectionsAreSwitchedOnForTheirWholeStepsOnly) {
    Baseline base = ThreeNodeBaseline();
    EventSimulation simulation(base, Settings());
    FakeSession session{Steps(3 * 3600), [](int, long) { return 0.0f; }};
    EventResult result;
    simulation.Run(session, EventOf({{1, 2}}, 1), result);  // 600 s for one hour
    for (auto [t, strength] : session.strengthAtRun)
        EXPECT_EQ(strength, (t >= 600 && t < 4200) ? 479167.0f : 0.0f) << "t = " << t;

    // After a time between two steps the due injection is not switched on.
    FakeSession uneven{{0, 150, 450, 600, 900, 1200}, [](int, long) { return 0.0f; }};
    simulation.Run(uneven, EventOf({{1, 2}}, 1), result);
    EXPECT_EQ(uneven.strengthAtRun[450], 0.0f);
    EXPECT_EQ(uneven.strengthAtRun[600], 0.0f);
    EXPECT_EQ(uneven.strengthAtRun[900], 479167.0f);

    // Two injections at one node: a later inactive one switches off an earlier active one.
    FakeSession twice{Steps(3600), [](int, long) { return 0.0f; }};
    simulation.Run(twice, EventOf({{1, 0}, {1, 10}}, 1), result);
    EXPECT_EQ(twice.strengthAtRun[0], 0.0f);
    EXPECT_EQ(twice.strengthAtRun[3000], 479167.0f);
}

// Every measure of two runs of one event, node by node and undetected.
void ExpectSameResults(const EventResult& a, const EventResult& b) {
    EXPECT_EQ(a.DetectedFlag, b.DetectedFlag);
    EXPECT_EQ(a.Z1, b.Z1);
    EXPECT_EQ(a.Z2, b.Z2);
    EXPECT_EQ(a.Z3, b.Z3);
    EXPECT_EQ(a.UndetectedPeople, b.UndetectedPeople);
    EXPECT_EQ(a.UndetectedVolume, b.UndetectedVolume);
}

// Runs the event with a session that reports clean steps and with one that
// never looks: the results must not differ.
void ExpectEarlyEndChangesNothing(const std::vector<long>& times, const std::function<float(int, long)>& c,
                                  const std::function<bool(long)>& linksCarry, const Event& event,
                                  const EventSettings& settings, std::size_t expectedPasses) {
    Baseline base = ThreeNodeBaseline(times);
    EventSimulation simulation(base, settings);
    FakeSession looking{times, c}, blind{times, c};
    looking.linksCarry = linksCarry;
    EventResult early, full;
    simulation.Run(looking, event, early);
    simulation.Run(blind, event, full);
    EXPECT_EQ(looking.passes, expectedPasses);
    EXPECT_EQ(blind.passes, times.size());
    std::int32_t recordedLater = 0;
    for (std::size_t later = expectedPasses + 1; later < times.size(); ++later) recordedLater += times[later] % 300 == 0;
    EXPECT_EQ(early.StepsLeftOut, recordedLater);
    ExpectSameResults(early, full);
}

// The contaminant travels in the links for an hour before any node sees it,
// passes node 2 and is gone at 4 hours: the event may end there and not
// before, although every node is clean while the source is on.
TEST(EventSimulation, AnEventEndsWhenItsSourcesAreSpentAndNothingCarriesContaminant) {
    const auto c = [](int node, long t) { return node == 2 && t >= 10800 && t < 14400 ? 1.5f : 0.0f; };
    const auto links = [](long t) { return t >= 3600 && t < 10800; };
    // Steps 0..48 are run; step 48 (4 hours) is the first clean one after the source.
    ExpectEarlyEndChangesNothing(Steps(12 * 3600), c, links, EventOf({{1, 0}}), Settings(), 48);
    ExpectEarlyEndChangesNothing(Steps(12 * 3600), c, links, EventOf({{1, 0}}), Settings(0.0f, true), 48);
    // A source switched on again later keeps the event running until it is spent.
    ExpectEarlyEndChangesNothing(Steps(12 * 3600), c, links, EventOf({{1, 0}, {1, 60}}), Settings(), 84);
}

// Where the toolkit reports times between the recorded steps, a recorded
// step can be missing and the exposure sums start again after it: the steps
// left out follow the baseline's list, gaps included.
TEST(EventSimulation, StepsLeftOutKeepTheGapsOfTheRecordedSteps) {
    std::vector<long> times = Steps(6 * 3600);
    times[60] += 150;  // no step 60
    const auto c = [](int node, long t) { return node == 1 && t >= 300 && t < 1800 ? 2.0f : 0.0f; };
    const auto links = [](long) { return false; };
    ExpectEarlyEndChangesNothing(times, c, links, EventOf({{1, 0}}, 1), Settings(), 12);
}

namespace {

// A session that tells which nodes the contaminant has reached, so the
// passes over the nodes go through those alone.
struct ReachingSession : FakeSession {
    using FakeSession::FakeSession;
    base::IndexBits reached;
    const base::IndexBits* NodesReached() const { return &reached; }
};

// Thirteen nodes with demands that change every hour, none at nodes 3, 7
// and 11, a negative one at node 12, and no average consumption at node 7.
Baseline ThirteenNodeBaseline() {
    Baseline base;
    base.nNodes = 13;
    base.nSteps = 1152;
    base.BaseDemand.assign(1153 * 14, 0.0f);
    for (int s = 0; s <= 1152; ++s)
        for (int n = 1; n <= 13; ++n)
            base.BaseDemand[s * 14 + n] = n % 4 == 3 ? 0.0f : 3.0f + 0.37f * static_cast<float>(n + (s / 12) % 5);
    for (int s = 0; s <= 1152; ++s) base.BaseDemand[s * 14 + 12] = -2.5f;
    base.VolumePerMinute.assign(14, 0.0f);
    base.Population.assign(14, 0.0f);
    base.DailyVolume.assign(14, 0.0f);
    for (int n = 1; n <= 13; ++n) {
        base.VolumePerMinute[n] = n == 7 ? 0.0f : 4.0f + 0.5f * static_cast<float>(n);
        base.Population[n] = 20.0f * static_cast<float>(n);
    }
    return base;
}

}  // namespace

// Once the contaminant has reached half the nodes the pass goes over every
// node, four at a time, and otherwise through the nodes reached alone: the
// two must record the same. The nodes reached (2, 7, 8, 11, 12 and 13) are
// in both kinds of group of four and past the last whole one; their
// concentrations change from step to step, cross the detection threshold
// and the contaminated water's level of 0.3, and fall back to 0.
TEST(EventSimulation, EveryNodeFourAtATimeRecordsWhatTheNodesReachedRecord) {
    const Baseline base = ThirteenNodeBaseline();
    const auto c = [](int node, long t) {
        const long step = t / 300;
        switch (node) {
        case 2: return step >= 3 && step < 20 ? 0.1f * static_cast<float>(step % 7) : 0.0f;
        case 7: return step >= 2 ? 0.5f : 0.0f;  // no average consumption
        case 8: return step >= 5 ? 0.3f + 0.01f * static_cast<float>(step % 3) : 0.0f;
        case 11: return step >= 4 ? 1e-20f * static_cast<float>(step) : 0.0f;
        case 12: return step % 5 == 0 ? 0.0f : 0.29f + 0.005f * static_cast<float>(step % 4);
        case 13: return step >= 6 ? 2.0f / static_cast<float>(step) : 0.0f;
        default: return 0.0f;
        }
    };
    for (float sensitivity : {0.0f, 0.25f}) {
        EventSimulation simulation(base, Settings(sensitivity));
        ReachingSession walking{Steps(3 * 3600), c};
        walking.reached.Reset(14);
        for (std::size_t n : {2, 7, 8, 11, 12, 13}) walking.reached.Insert(n);
        FakeSession every{Steps(3 * 3600), c};
        EventResult walked, all;
        simulation.Run(walking, EventOf({{1, 1}}), walked);
        simulation.Run(every, EventOf({{1, 1}}), all);
        ExpectSameResults(walked, all);
        // Not a comparison of nothing: detections, exposure and consumption all took place.
        EXPECT_EQ(all.DetectedFlag[13], 1);
        EXPECT_GT(all.Z2[13], 0.0f);
        EXPECT_GT(all.Z3[13], 0.0f);
        EXPECT_GT(all.UndetectedVolume, all.Z3[8]);
    }
}
