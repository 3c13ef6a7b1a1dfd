#include "optimizer/request.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "optimizer/parallel.h"
#include "optimizer/request_error.h"

namespace optimizer {

namespace {

void CheckData(const ScenarioData& data, Objective objective) {
    if (data.nEvents <= 0) throw RequestError("the scenario data holds no events");
    if (data.nNodes <= 0) throw RequestError("the scenario data holds no nodes");
    if (!data.detected) throw RequestError("the scenario data has no detection matrix");
    if (objective == Objective::Detection) return;
    if (!data.impact) throw RequestError("the scenario data has no impact matrix");
    if (data.undetectedImpact.size() != static_cast<std::size_t>(data.nEvents))
        throw RequestError("the scenario data has " + std::to_string(data.undetectedImpact.size()) +
                           " undetected impacts for " + std::to_string(data.nEvents) + " events");
    for (std::size_t e = 0; e < data.undetectedImpact.size(); ++e)
        if (!std::isfinite(data.undetectedImpact[e]))
            throw RequestError("the undetected impact of " + EventName(static_cast<std::int32_t>(e)) +
                               " is not a finite number");
}

void CheckOptions(const Options& options) {
    if (!(options.alpha > 0.0 && options.alpha < 1.0))
        throw RequestError("alpha must lie strictly between 0 and 1, not " + std::to_string(options.alpha));
    if (options.sensors < 1) throw RequestError("at least one sensor must be placed");
    if (options.threads < 0) throw RequestError("the thread count cannot be negative");
    if (!(options.timeLimitSeconds >= 0.0) || std::isinf(options.timeLimitSeconds))
        throw RequestError("the time limit must be zero (none) or a positive number of seconds");
    if (options.exactCellLimit < 0) throw RequestError("the exact model's cell limit cannot be negative");
}

// Marks `nodes` in `marks` with `mark`, refusing indexes outside the network.
void MarkNodes(const std::vector<std::int32_t>& nodes, std::int32_t nNodes, const char* what,
               std::vector<std::uint8_t>& marks, std::uint8_t mark) {
    for (std::int32_t n : nodes) {
        if (n < 0 || n >= nNodes)
            throw RequestError(std::string(what) + " node " + std::to_string(n + 1) + " is not a node of the data (1 to " +
                               std::to_string(nNodes) + ")");
        marks[static_cast<std::size_t>(n)] |= mark;
    }
}

constexpr std::uint8_t kFixed = 1, kExcluded = 2, kListed = 4, kTaken = 8;

}  // namespace

Request ValidateRequest(const ScenarioData& data, const Options& options) {
    CheckData(data, options.objective);
    CheckOptions(options);
    std::vector<std::uint8_t> marks(static_cast<std::size_t>(data.nNodes), 0);
    MarkNodes(options.fixed, data.nNodes, "fixed", marks, kFixed);
    MarkNodes(options.excluded, data.nNodes, "excluded", marks, kExcluded);
    if (options.candidates) {
        if (options.candidates->empty()) throw RequestError("the candidate list is empty");
        MarkNodes(*options.candidates, data.nNodes, "candidate", marks, kListed);
    }
    Request request;
    for (std::int32_t n : options.fixed) {
        auto& mark = marks[static_cast<std::size_t>(n)];
        if (mark & kExcluded) throw RequestError(NodeName(data, n) + " is both fixed and excluded");
        if (mark & kTaken) continue;  // listed twice
        mark |= kTaken;
        request.fixed.push_back(n);
    }
    for (std::int32_t n = 0; n < data.nNodes; ++n) {
        std::uint8_t mark = marks[static_cast<std::size_t>(n)];
        bool allowed = options.candidates ? (mark & kListed) != 0 : true;
        if (allowed && !(mark & (kFixed | kExcluded))) request.freeNodes.push_back(n);
    }
    auto nFixed = static_cast<std::int32_t>(request.fixed.size());
    auto available = nFixed + static_cast<std::int32_t>(request.freeNodes.size());
    if (options.sensors < nFixed)
        throw RequestError(std::to_string(options.sensors) + " sensors cannot hold the " + std::to_string(nFixed) +
                           " fixed ones");
    if (options.sensors > available)
        throw RequestError(std::to_string(options.sensors) + " sensors asked for, but only " +
                           std::to_string(available) + " nodes may hold one (candidates and fixed)");
    request.sensors = options.sensors;
    request.fewestSensors = options.curve ? std::max<std::int32_t>(1, nFixed) : options.sensors;
    request.threads = ResolveThreads(options.threads);
    return request;
}

}  // namespace optimizer
