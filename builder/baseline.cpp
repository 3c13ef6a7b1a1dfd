#include "builder/baseline.h"

#include "builder/numbers.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

using namespace network;

std::int32_t StepCount(std::int32_t qualStep, std::int32_t maxSimDuration) {
    return ToInt32((3600.0 / qualStep) * maxSimDuration);
}

namespace {

void RecordDemands(Baseline& base, std::int32_t s) {
    for (std::int32_t n = 1; n <= base.nNodes; ++n) {
        int type = -1;
        ENgetnodetype(n, &type);
        if (type != EN_JUNCTION) continue;
        float demand = 0.0f;
        ENgetnodevalue(n, EN_DEMAND, &demand);
        float& volume = base.DailyVolume[static_cast<std::size_t>(n)];
        volume = static_cast<float>(volume + static_cast<double>(demand) * QualStep / FlowTimeFactor);
        base.BaseDemand[static_cast<std::size_t>(s) * (base.nNodes + 1) + n] = demand;
    }
}

void DeriveDailyFigures(Baseline& base) {
    for (std::int32_t n = 1; n <= base.nNodes; ++n) {
        auto i = static_cast<std::size_t>(n);
        base.DailyVolume[i] = static_cast<float>(base.DailyVolume[i] / (MaxSimDuration / 24.0));
        base.Population[i] =
            static_cast<float>(static_cast<double>(FlowVolumeFactor) * base.DailyVolume[i] / PerCapitaConsumption);
        base.VolumePerMinute[i] = static_cast<float>(base.DailyVolume[i] / 24.0 / 60.0);
    }
}

}  // namespace

Baseline RunBaseline() {
    Baseline base;
    base.nNodes = nNodes;
    base.nSteps = StepCount(QualStep, MaxSimDuration);
    const auto durationSeconds = static_cast<long>(ToInt32(MaxSimDuration * 3600.0));

    Check(ENopen(NetworkPath, "out.dat", "rep.dat"), "ENopen");
    Check(ENsettimeparam(EN_DURATION, durationSeconds), "ENsettimeparam");
    const auto nodeSlots = static_cast<std::size_t>(nNodes) + 1;
    base.BaseDemand.assign((static_cast<std::size_t>(base.nSteps) + 1) * nodeSlots, 0.0f);
    base.DailyVolume.assign(nodeSlots, 0.0f);
    base.Population.assign(nodeSlots, 0.0f);
    base.VolumePerMinute.assign(nodeSlots, 0.0f);

    Check(ENsolveH(), "ENsolveH");
    Check(ENopenQ(), "ENopenQ");
    Check(ENinitQ(EN_NOSAVE), "ENinitQ");
    long t = 0, tleft = 0;
    do {
        ENrunQ(&t);
        double step = static_cast<double>(t) / QualStep;
        if (t < durationSeconds && IsWhole(step) && step <= base.nSteps) RecordDemands(base, static_cast<std::int32_t>(step));
        Check(ENstepQ(&tleft), "ENstepQ");
    } while (tleft != 0);
    Check(ENcloseQ(), "ENcloseQ");
    Check(ENclose(), "ENclose");

    DeriveDailyFigures(base);
    return base;
}

}  // namespace builder
