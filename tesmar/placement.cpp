#include "tesmar/placement.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "optimizer/optimizer.h"
#include "optimizer/planner.h"
#include "tesmar/exit_codes.h"
#include "tesmar/plan_request.h"

namespace tesmar {

namespace {

// A set holds fewer nodes than asked only when no further node improves the
// objective. Each set is labelled by the nodes it holds, and a curve drops
// such a set when the row before holds as many nodes under the same budget:
// that row's bound is for that many sensors.
void LabelByNodesHeld(optimizer::Result& result) {
    std::vector<optimizer::Placement> kept;
    for (optimizer::Placement& p : result.placements) {
        const auto held = static_cast<std::int32_t>(p.nodes.size());
        const bool fewer = held < p.sensors;
        p.sensors = std::min(p.sensors, held);
        const bool sameBudget = !kept.empty() && (kept.back().plan.budget == p.plan.budget ||
                                                  (std::isnan(kept.back().plan.budget) && std::isnan(p.plan.budget)));
        if (fewer && sameBudget && kept.back().sensors >= p.sensors) continue;
        kept.push_back(std::move(p));
    }
    result.placements = std::move(kept);
}

}  // namespace

PlacementReport RunPlacement(const network::Network& net, const SetInput& input, const PlaceRequest& request,
                             const optimizer::ProgressCallback& progress) {
    PlacementReport report;
    report.networkPath = net.path;
    report.measure = MeasureOf(request);
    report.statistic = StatisticOf(request);
    report.alpha = request.Alpha;
    report.detectableOnly = request.DetectableOnly;
    report.events = input.set.nEvents;
    try {
        optimizer::Options options = ToOptions(request, net);
        options.progress = progress;
        optimizer::MatrixInput data = optimizer::FromMatrixSet(input.set, report.measure, input.summary, input.manifest);
        data.data.nodeIds = std::span(net.NodeID).subspan(1, static_cast<std::size_t>(net.nNodes));
        if (PlanRequested(request)) {
            const PlanInput plan = ToPlanInput(request, net, input);
            report.plan = PlanDescription(request);
            report.result = optimizer::Plan(data.data, options, plan.plan);
        } else {
            report.result = optimizer::Optimize(data.data, options);
        }
    } catch (const optimizer::RequestError& e) {
        throw InputError(e.what());
    }
    report.sensorsAsked = request.Sensors;
    report.partial = input.partial;
    report.unfinished = input.unfinished;
    LabelByNodesHeld(report.result);
    for (const optimizer::Placement& placement : report.result.placements) {
        std::vector<std::string> ids;
        std::vector<std::int32_t> nodes;
        for (std::int32_t node : placement.nodes) {
            ids.push_back(net.NodeID[static_cast<std::size_t>(node) + 1]);
            nodes.push_back(node + 1);
        }
        report.sensorIds.push_back(std::move(ids));
        report.fitness.push_back(evaluator::EvaluateSensorSet(input.set, nodes));
    }
    return report;
}

const char* StageName(optimizer::Stage stage) {
    switch (stage) {
        case optimizer::Stage::Preparing: return "preparing";
        case optimizer::Stage::Heuristic: return "searching";
        case optimizer::Stage::Bounding: return "bounding";
        case optimizer::Stage::Exact: return "solving exactly";
    }
    return "";
}

}  // namespace tesmar
