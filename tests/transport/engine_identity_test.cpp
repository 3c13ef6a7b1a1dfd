// The engine's concentrations against the toolkit's own quality solver,
// stepped side by side on the same hydraulics: every node's concentration
// (a double) must be the same at every time the builder reads, and so must
// the answer to whether the network is clean.
#include <gtest/gtest.h>

#include <vector>

#include "network/project.h"
#include "support/test_support.h"
#include "test_networks.h"
#include "transport/engine.h"

namespace {

using transport_testing::NetworkOptions;
using transport_testing::TestNetwork;

struct Injection {
    int node;
    long start, end;  // seconds; the source is on from start until end
    double strength;  // mg/min
};

struct Comparison {
    long reads = 0;        // node values compared
    long differences = 0;  // of them, not equal
    long contaminated = 0; // of them, not zero
    long cleanDisagreements = 0;
    long tankContaminated = 0;  // reads of a tank's concentration that are not zero
};

// Opens the network as the builder does for its events.
void OpenForEvents(network::Project& project, const std::string& path, long duration, std::vector<int>& warnings) {
    project.AcceptWarnings(&warnings);
    project.OpenToSolve(testing_support::ReadText(path), network::TemporaryFolder());
    project.SetTimeParam(EN_DURATION, duration);
    const int nodes = project.Count(EN_NODECOUNT);
    for (int n = 1; n <= nodes; ++n) {
        project.SetNodeValue(n, EN_SOURCETYPE, EN_MASS);
        project.SetNodeValue(n, EN_SOURCEQUAL, 0.0);
    }
    project.SolveH();
}

bool ToolkitClean(const network::Project& project, const std::vector<double>& nodes) {
    for (double c : nodes)
        if (c != 0.0) return false;
    std::vector<double> links(static_cast<std::size_t>(project.Count(EN_LINKCOUNT)));
    project.LinkValues(EN_LINKQUAL, links.data());
    for (double c : links)
        if (c != 0.0) return false;
    return true;
}

Comparison Compare(const std::string& path, long duration, const std::vector<std::vector<Injection>>& events) {
    std::vector<int> warnings;
    network::Project project(*testing_support::Toolkit());
    OpenForEvents(project, path, duration, warnings);
    transport::TransportPreparation prep = transport::PrepareTransport(project, transport::AvailableMemory());
    EXPECT_EQ(prep.fallbackReason, "");
    Comparison result;
    if (!prep.fallbackReason.empty()) return result;
    transport::Engine engine(prep.shared);
    const int nodes = project.Count(EN_NODECOUNT);
    std::vector<double> values(static_cast<std::size_t>(nodes));
    const long qualityStep = project.TimeParam(EN_QUALSTEP);
    for (const std::vector<Injection>& event : events) {
        project.OpenQ();
        project.InitQ(EN_NOSAVE);
        engine.Open();
        long left = 0;
        do {
            const long t = project.RunQ();
            if (t > duration + qualityStep) return result;
            EXPECT_EQ(engine.RunQ(), t);
            project.NodeValues(EN_QUALITY, values.data());
            for (int n = 1; n <= nodes; ++n) {
                const double expected = values[static_cast<std::size_t>(n - 1)];
                ++result.reads;
                if (expected != 0.0) ++result.contaminated;
                if (expected != 0.0 && project.NodeType(n) == EN_TANK) ++result.tankContaminated;
                if (engine.Quality(static_cast<std::size_t>(n)) != expected) ++result.differences;
            }
            if (engine.Clean() != ToolkitClean(project, values)) ++result.cleanDisagreements;
            for (const Injection& i : event) {
                const double strength = i.start <= t && t < i.end ? i.strength : 0.0;
                project.SetNodeValue(i.node, EN_SOURCEQUAL, strength);
                engine.SetSource(i.node, strength);
            }
            left = project.StepQ();
            EXPECT_EQ(engine.StepQ(), left);
        } while (left != 0);
        project.CloseQ();
        for (const Injection& i : event) {
            project.SetNodeValue(i.node, EN_SOURCEQUAL, 0.0);
            engine.SetSource(i.node, 0.0);
        }
    }
    return result;
}

std::string Written(const testing_support::ScratchFolder& folder, const NetworkOptions& options) {
    const std::string path = folder.File("net.inp");
    testing_support::WriteText(path, TestNetwork(options));
    return path;
}

// Injections at a junction, at the reservoir with the head pattern, into
// the tank, and two at once, at the first step and late in the run.
std::vector<std::vector<Injection>> TestEvents() {
    return {{{1, 0, 7200, 5000.0}},
            {{4, 3600, 3 * 3600, 9000.0}},
            {{12, 2 * 3600, 4 * 3600, 3000.0}},
            {{13, 0, 3600, 8000.0}},
            {{7, 300, 6 * 3600, 2500.0}, {10, 5 * 3600, 9 * 3600, 7000.0}},
            {{3, 23 * 3600, 26 * 3600, 6000.0}}};
}

void ExpectIdentical(const Comparison& c) {
    EXPECT_GT(c.contaminated, 0) << "nothing was contaminated: the comparison proves nothing";
    EXPECT_EQ(c.differences, 0) << "of " << c.reads << " concentrations";
    EXPECT_EQ(c.cleanDisagreements, 0);
}

TEST(EngineIdentity, EveryValveTypeWithTankPumpControlsReversalAndNegativeDemand) {
    for (const auto& [type, setting] : std::vector<std::pair<std::string, std::string>>{
             {"PRV", "40"}, {"PSV", "20"}, {"PBV", "5"}, {"FCV", "30"}, {"TCV", "8"}, {"GPV", "GV"}}) {
        SCOPED_TRACE(type);
        testing_support::ScratchFolder folder;
        NetworkOptions options;
        options.valveType = type;
        options.valveSetting = setting;
        ExpectIdentical(Compare(Written(folder, options), 30 * 3600, TestEvents()));
    }
}

TEST(EngineIdentity, EveryFlowUnit) {
    for (const char* units : {"CFS", "GPM", "MGD", "IMGD", "AFD", "LPS", "LPM", "MLD", "CMH", "CMD", "CMS"}) {
        SCOPED_TRACE(units);
        testing_support::ScratchFolder folder;
        NetworkOptions options;
        options.flowUnits = units;
        ExpectIdentical(Compare(Written(folder, options), 26 * 3600, TestEvents()));
    }
}

// A tank low enough for the pump to fill it up several times a day, that
// drains by half in between (deeper than a FIFO or LIFO tank left full
// keeps its layers) and that the hydraulics leave full at 26 hours.
const char* const kLowTank = "5 1 14";
constexpr long kLowTankFullAt = 26 * 3600;

// Each tank model with the tank filling and draining between the pump's
// switching levels, where the 2COMP tank's mixing zone fills up and the
// stagnant zone takes water and gives it back; and each once more in a
// lower tank that fills up, overflows and ends the run full, which the FIFO
// and LIFO models look at in every step.
TEST(EngineIdentity, EveryTankMixingModel) {
    struct Case {
        const char* mixing;
        const char* fraction;
        bool low;
    };
    for (const Case& c : {Case{"MIXED", "", false}, Case{"2COMP", "0.4", false}, Case{"2COMP", "0.1", false},
                          Case{"FIFO", "", false}, Case{"LIFO", "", false}, Case{"MIXED", "", true},
                          Case{"2COMP", "0.3", true}, Case{"FIFO", "", true}, Case{"LIFO", "", true}}) {
        SCOPED_TRACE(std::string(c.mixing) + " " + c.fraction + (c.low ? " low tank ending full" : ""));
        testing_support::ScratchFolder folder;
        NetworkOptions options;
        options.mixing = c.mixing;
        options.mixFraction = c.fraction;
        if (c.low) options.tankLevels = kLowTank;
        options.tolerance = 0.001;
        std::vector<std::vector<Injection>> events = TestEvents();
        // Upstream of the tank while it fills.
        for (const long hour : {0L, 4L, 16L}) events.push_back({{3, hour * 3600, (hour + 2) * 3600, 9000.0}});
        const Comparison result = Compare(Written(folder, options), c.low ? kLowTankFullAt : 30 * 3600, events);
        ExpectIdentical(result);
        EXPECT_GT(result.tankContaminated, 0) << "the tank never took on contaminant";
    }
}

TEST(EngineIdentity, QualityStepNotDividingTheHydraulicStepAndOtherReportStep) {
    testing_support::ScratchFolder folder;
    NetworkOptions options;
    options.hydraulicStep = "0:50";
    options.qualityStep = "0:20";
    options.reportStep = "2:00";
    ExpectIdentical(Compare(Written(folder, options), 24 * 3600, TestEvents()));
}

TEST(EngineIdentity, CoarseSegmentTolerance) {
    testing_support::ScratchFolder folder;
    NetworkOptions options;
    options.tolerance = 5.0;
    ExpectIdentical(Compare(Written(folder, options), 24 * 3600, TestEvents()));
}

TEST(EngineIdentity, ShippedNetworkOne) {
    ExpectIdentical(Compare(testing_support::ExampleNetwork(1), 48 * 3600,
                            {{{5, 0, 7200, 479167.0}}, {{40, 6 * 3600, 8 * 3600, 479167.0}},
                             {{100, 20 * 3600, 22 * 3600, 479167.0}, {12, 23 * 3600 + 3300, 26 * 3600, 479167.0}}}));
}

TEST(EngineIdentity, ShippedNetworkTwo) {
    ExpectIdentical(Compare(testing_support::ExampleNetwork(2), 30 * 3600,
                            {{{2001, 3 * 3600, 5 * 3600, 479167.0}, {14000, 7 * 3600, 9 * 3600, 479167.0}}}));
}

}  // namespace

namespace {

// The generated network does what the identity tests above claim it does:
// the tank fills and drains, the pump is switched, the closed pipe carries
// nothing for a while, some pipe's flow turns round, and J8 takes water in.
TEST(EngineIdentity, GeneratedNetworkExercisesWhatItClaims) {
    testing_support::ScratchFolder folder;
    std::vector<int> warnings;
    network::Project project(*testing_support::Toolkit());
    OpenForEvents(project, Written(folder, NetworkOptions{}), 24 * 3600, warnings);
    const transport::TransportPreparation prep = transport::PrepareTransport(project, transport::AvailableMemory());
    ASSERT_EQ(prep.fallbackReason, "");
    const transport::SharedTransport& shared = prep.shared;
    const transport::Numbering& number = shared.numbering;
    const int pipe6 = number.link[6], pump = number.link[16], j8 = number.node[8];
    // A link's flow in a period, as both its nodes' visits read it; a link
    // without flow is in neither visit.
    const auto flowOf = [](const transport::PeriodPlan& p, int link) {
        std::vector<double> seen;
        for (const transport::LinkStep& step : p.linkSteps)
            if (step.link == link) seen.push_back(step.flow);
        if (seen.empty()) return 0.0;
        EXPECT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen.front(), seen.back());
        EXPECT_GT(seen.front(), 0.0);
        return seen.front();
    };
    bool pumpOn = false, pumpOff = false, pipeClosed = false, reversed = false, negativeDemand = false;
    for (const transport::PeriodPlan& p : shared.periods) {
        (flowOf(p, pump) > 0 ? pumpOn : pumpOff) = true;
        pipeClosed = pipeClosed || flowOf(p, pipe6) == 0.0;
        reversed = reversed || !p.reversed.empty();
        const transport::NodeVisit& visit = p.visits[static_cast<std::size_t>(p.position[static_cast<std::size_t>(j8)])];
        EXPECT_EQ(visit.node, j8);
        negativeDemand = negativeDemand || visit.negativeDemand < 0.0;
    }
    const auto tank = static_cast<std::size_t>(shared.layout.tankChain[static_cast<std::size_t>(number.node[13])]);
    bool fills = false, drains = false;
    for (std::size_t s = 1; s < shared.steps; ++s) {
        const double before = shared.CleanVolumes(s - 1)[tank], after = shared.CleanVolumes(s)[tank];
        fills = fills || after > before;
        drains = drains || after < before;
    }
    EXPECT_TRUE(pumpOn && pumpOff);
    EXPECT_TRUE(pipeClosed);
    EXPECT_TRUE(reversed);
    EXPECT_TRUE(negativeDemand);
    EXPECT_TRUE(fills && drains);
    EXPECT_GT(shared.periods.size(), 26u) << "controls add hydraulic periods between the hourly ones";
}

}  // namespace

namespace {

// The FIFO and LIFO models depend on whether the hydraulics left the tank
// full: the layout must tell the low tank that ends the day full from the
// tall one the controls hold between two levels, and the low tank must
// really fill and drain during the day.
TEST(EngineIdentity, TankLeftFullByTheHydraulicsIsToldApart) {
    for (const char* levels : {"15 1 40", kLowTank}) {
        SCOPED_TRACE(levels);
        testing_support::ScratchFolder folder;
        NetworkOptions options;
        options.mixing = "FIFO";
        options.tankLevels = levels;
        std::vector<int> warnings;
        network::Project project(*testing_support::Toolkit());
        OpenForEvents(project, Written(folder, options), kLowTankFullAt, warnings);
        const transport::TransportPreparation prep = transport::PrepareTransport(project, transport::AvailableMemory());
        ASSERT_EQ(prep.fallbackReason, "");
        const transport::SharedTransport& shared = prep.shared;
        const auto tank = static_cast<std::size_t>(shared.numbering.node[13]);
        const bool low = levels == kLowTank;
        EXPECT_EQ(shared.layout.tankFull[tank], low ? 1 : 0);
        const auto chain = static_cast<std::size_t>(shared.layout.tankChain[tank]);
        bool fills = false, drains = false;
        for (std::size_t s = 1; s < shared.steps; ++s) {
            const double before = shared.CleanVolumes(s - 1)[chain], after = shared.CleanVolumes(s)[chain];
            fills = fills || after > before;
            drains = drains || after < before;
        }
        EXPECT_TRUE(drains);
        // A full FIFO tank passes its inflow straight on: its clean volume never rises.
        EXPECT_EQ(fills, !low);
    }
}

}  // namespace
