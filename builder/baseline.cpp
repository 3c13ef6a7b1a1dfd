#include "builder/baseline.h"

#include "builder/numbers.h"
#include "builder/study_analysis.h"

namespace builder {

using network::Network;
using network::Project;

std::int32_t StepCount(std::int32_t qualStep, std::int32_t maxSimDuration) {
    return ToInt32((3600.0 / qualStep) * maxSimDuration);
}

long DurationSeconds(std::int32_t maxSimDuration) { return ToInt32(maxSimDuration * 3600.0); }

namespace {

void RecordDemands(const Network& net, const Project& project, const FlowFactors& flow, Baseline& base,
                   std::int32_t s) {
    for (std::int32_t n = 1; n <= base.nNodes; ++n) {
        if (!net.IsJunction(n)) continue;
        // The value crosses the toolkit interface as a single.
        const auto demand = static_cast<float>(project.NodeValue(n, EN_DEMAND));
        float& volume = base.DailyVolume[static_cast<std::size_t>(n)];
        volume = static_cast<float>(volume + static_cast<double>(demand) * net.QualStep / flow.FlowTimeFactor);
        base.BaseDemand[static_cast<std::size_t>(s) * (base.nNodes + 1) + n] = demand;
    }
}

bool EveryTankCompletelyMixed(const Network& net, const Project& project) {
    for (std::int32_t n = 1; n <= net.nNodes; ++n) {
        if (net.NodeType[static_cast<std::size_t>(n)] != EN_TANK) continue;
        if (project.NodeValue(n, EN_MIXMODEL) != static_cast<double>(EN_MIX1)) return false;
    }
    return true;
}

// Whether no node and no link carries contaminant at the current time.
bool CarriesNothing(const Project& project, std::vector<double>& nodes, std::vector<double>& links) {
    project.NodeValues(EN_QUALITY, nodes.data());
    if (!AllZero(nodes)) return false;
    project.LinkValues(EN_LINKQUAL, links.data());
    return AllZero(links);
}

void DeriveDailyFigures(const RunParameters& p, const FlowFactors& flow, Baseline& base) {
    for (std::int32_t n = 1; n <= base.nNodes; ++n) {
        auto i = static_cast<std::size_t>(n);
        base.DailyVolume[i] = static_cast<float>(base.DailyVolume[i] / (p.MaxSimDuration / 24.0));
        base.Population[i] = static_cast<float>(static_cast<double>(flow.FlowVolumeFactor) * base.DailyVolume[i] /
                                                p.PerCapitaConsumption);
        base.VolumePerMinute[i] = static_cast<float>(base.DailyVolume[i] / 24.0 / 60.0);
    }
}

}  // namespace

Baseline RunBaseline(const Network& net, const RunParameters& p, const FlowFactors& flow,
                     std::vector<int>* warnings) {
    Baseline base;
    base.nNodes = net.nNodes;
    base.nSteps = StepCount(net.QualStep, p.MaxSimDuration);
    const long durationSeconds = DurationSeconds(p.MaxSimDuration);
    const auto nodeSlots = static_cast<std::size_t>(net.nNodes) + 1;
    base.BaseDemand.assign((static_cast<std::size_t>(base.nSteps) + 1) * nodeSlots, 0.0f);
    base.DailyVolume.assign(nodeSlots, 0.0f);
    base.Population.assign(nodeSlots, 0.0f);
    base.VolumePerMinute.assign(nodeSlots, 0.0f);

    Project project(*net.toolkit);
    project.AcceptWarnings(warnings);
    net.OpenToSolve(project);
    SetStudyAnalysis(project, net, p);
    project.SetTimeParam(EN_DURATION, durationSeconds);
    project.SolveH();
    base.CleanIsFinal = EveryTankCompletelyMixed(net, project);
    std::vector<double> nodeQuality(nodeSlots - 1), linkQuality(static_cast<std::size_t>(net.nLinks));
    project.OpenQ();
    project.InitQ(EN_NOSAVE);
    long tleft = 0;
    do {
        const long t = project.RunQ();
        const double step = static_cast<double>(t) / net.QualStep;
        if (IsWhole(step)) {
            base.RecordedSteps.push_back(ToInt32(step));
            if (base.CleanIsFinal) base.CleanIsFinal = CarriesNothing(project, nodeQuality, linkQuality);
        }
        if (t < durationSeconds && IsWhole(step) && step <= base.nSteps)
            RecordDemands(net, project, flow, base, static_cast<std::int32_t>(step));
        tleft = project.StepQ();
    } while (tleft != 0);
    project.CloseQ();
    project.Close();

    DeriveDailyFigures(p, flow, base);
    return base;
}

}  // namespace builder
