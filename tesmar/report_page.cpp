#include "tesmar/report_page.h"

#include <algorithm>
#include <filesystem>
#include <numeric>

#include "evaluator/node_figures.h"
#include "evaluator/result_text.h"
#include "matrix/manifest.h"
#include "network/map_geometry.h"
#include "optimizer/set_evaluation.h"
#include "base/number_text.h"

namespace tesmar {

namespace {

report::NodeKind KindOfNode(int type) {
    if (type == EN_RESERVOIR) return report::NodeKind::Reservoir;
    if (type == EN_TANK) return report::NodeKind::Tank;
    return report::NodeKind::Junction;
}

report::LinkKind KindOfLink(int type) {
    if (type == EN_PUMP) return report::LinkKind::Pump;
    if (type == EN_CVPIPE || type == EN_PIPE) return report::LinkKind::Pipe;
    return report::LinkKind::Valve;
}

void AddMap(const network::Network& net, report::ReportData& page) {
    const network::MapGeometry map = network::LoadMapGeometry(net);
    for (int n = 1; n <= net.nNodes; ++n) {
        const network::NodePlace& place = map.nodes[static_cast<std::size_t>(n)];
        page.nodes.push_back({net.NodeID[static_cast<std::size_t>(n)], KindOfNode(net.NodeType[static_cast<std::size_t>(n)]),
                              place.placed ? place.x : report::kNoValue, place.placed ? place.y : report::kNoValue});
    }
    for (const network::LinkPlace& link : map.links)
        page.links.push_back({link.id, KindOfLink(link.type), link.from - 1, link.to - 1, link.vertices});
}

void AddFigures(const SetInput& input, report::ReportData& page) {
    const evaluator::NodeFigures figures = evaluator::ComputeNodeFigures(input.set);
    report::NodeFigure share{"Events detected", "%", {}, true};
    for (double value : figures.detectedShare) share.values.push_back(100 * value);
    page.figures.push_back(std::move(share));
    page.figures.push_back({"Mean time to detection", "min", figures.meanMinutesToDetection, false});
}

// The set's mean, tail statistics and detected share.
report::KeyValues SetFigures(const optimizer::Figures& f, double alpha) {
    return {{"Mean", FigureText(f.mean)},
            {StatisticName(optimizer::Statistic::VaR, alpha), FigureText(f.var)},
            {StatisticName(optimizer::Statistic::CVaR, alpha), FigureText(f.cvar)},
            {"Worst case", FigureText(f.worst)},
            {"Events detected", base::SpacedPercentText(100 * f.detectedFraction)}};
}

// The given set's figures for one measure, over all the set's events.
void AddGivenSetTails(const SetInput& input, const ReportSensors& sensors, report::ReportData& page) {
    const optimizer::MatrixInput data = optimizer::FromMatrixSet(input.set, sensors.measure, input.summary, input.manifest);
    std::vector<std::int32_t> nodes, events(static_cast<std::size_t>(input.set.nEvents));
    for (std::int32_t node : sensors.nodes) nodes.push_back(node - 1);
    std::iota(events.begin(), events.end(), 0);
    const optimizer::Figures f = optimizer::EvaluateSet(data.data, data.objective, nodes, events, sensors.alpha);
    const std::string measure = optimizer::MeasureDescription(sensors.measure);
    page.tailFigures = {{"Measure", measure}};
    for (auto& row : SetFigures(f, sensors.alpha)) page.tailFigures.push_back(std::move(row));
}

void AddPlacement(const PlacementReport& placement, report::ReportData& page) {
    const optimizer::Placement& chosen = placement.result.placements.back();
    page.objectiveLabel = StatisticName(placement.statistic, placement.alpha) + " of the " +
                          optimizer::MeasureDescription(placement.measure);
    std::vector<report::CurvePoint> curve;
    for (const optimizer::Placement& p : placement.result.placements) curve.push_back({p.sensors, p.value, p.bound});
    page.curve = std::move(curve);
    page.tailFigures = {{"Objective", page.objectiveLabel},
                        {"Value of the chosen set", FigureText(chosen.value)},
                        {"Proven bound", FigureText(chosen.bound)},
                        {"Gap", base::SpacedPercentText(100 * chosen.gap)}};
    for (auto& row : PlanRows(placement, chosen)) page.tailFigures.push_back(std::move(row));
    for (auto& row : SetFigures(chosen.figures, placement.alpha)) page.tailFigures.push_back(std::move(row));
    for (const std::string& note : PlacementNotes(placement)) page.notes.push_back(note);
}

}  // namespace

report::ReportData ReportPage(const network::Network& net, const SetInput& input, const ReportSensors& sensors) {
    report::ReportData page;
    page.title = "Sensor placement report";
    page.networkName = std::filesystem::path(net.path).filename().string();
    page.generated = std::string("tesmar ") + TESMAR_VERSION + ", " + matrix::UtcNow();
    if (input.partial) page.notes.push_back(PartialText(*input.partial) + ".");
    if (input.unfinished) page.notes.push_back(*input.unfinished + ".");
    AddMap(net, page);
    AddFigures(input, page);
    for (std::int32_t node : sensors.nodes)
        if (std::find(page.sensors.begin(), page.sensors.end(), node - 1) == page.sensors.end())
            page.sensors.push_back(node - 1);
    if (!sensors.nodes.empty()) {
        const evaluator::FitnessResult fitness = evaluator::EvaluateSensorSet(input.set, sensors.nodes);
        for (int k = 1; k <= 4; ++k) page.fitnessLines.push_back(evaluator::ResultLine(fitness, k, '.'));
        if (sensors.placement)
            AddPlacement(*sensors.placement, page);
        else
            AddGivenSetTails(input, sensors, page);
    }
    if (input.manifest) page.manifest = matrix::DescribeManifest(*input.manifest);
    else page.notes.push_back("The matrix set has no build manifest: it was built before manifests were written.");
    return page;
}

}  // namespace tesmar
