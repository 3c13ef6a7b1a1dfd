#include "report/data_check.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace report {

namespace {

[[noreturn]] void Reject(const std::string& what) { throw std::invalid_argument("report data: " + what); }

bool IsNode(const ReportData& data, int n) { return n >= 0 && static_cast<std::size_t>(n) < data.nodes.size(); }

}  // namespace

void CheckReportData(const ReportData& data) {
    for (const NodeFigure& figure : data.figures)
        if (figure.values.size() != data.nodes.size())
            Reject("figure \"" + figure.name + "\" has " + std::to_string(figure.values.size()) + " values for " +
                   std::to_string(data.nodes.size()) + " nodes");
    for (const MapLink& link : data.links)
        for (int end : {link.from, link.to})
            if (!IsNode(data, end))
                Reject("link \"" + link.id + "\" ends at node position " + std::to_string(end) + " of " +
                       std::to_string(data.nodes.size()) + " nodes");
    std::vector<bool> chosen(data.nodes.size(), false);
    for (int n : data.sensors) {
        if (!IsNode(data, n))
            Reject("sensor at node position " + std::to_string(n) + " of " + std::to_string(data.nodes.size()) +
                   " nodes");
        if (chosen[static_cast<std::size_t>(n)]) Reject("node \"" + data.nodes[static_cast<std::size_t>(n)].id + "\" is chosen twice");
        chosen[static_cast<std::size_t>(n)] = true;
    }
    if (data.curve)
        for (const CurvePoint& point : *data.curve)
            if (point.sensors < 0) Reject("curve point with " + std::to_string(point.sensors) + " sensors");
}

}  // namespace report
