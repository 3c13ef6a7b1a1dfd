#include "tesmar/placement.h"

#include "optimizer/optimizer.h"
#include "tesmar/exit_codes.h"

namespace tesmar {

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
        const optimizer::MatrixInput data =
            optimizer::FromMatrixSet(input.set, report.measure, input.summary, input.manifest);
        report.result = optimizer::Optimize(data.data, options);
    } catch (const optimizer::RequestError& e) {
        throw InputError(e.what());
    }
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

}  // namespace tesmar
