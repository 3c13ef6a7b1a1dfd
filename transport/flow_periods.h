// Each hydraulic period as the quality solver works through it: the flows,
// the flow direction of every link, the nodes sorted from upstream to
// downstream, each node's outflow rate, and the links whose contents turn
// round when the period starts. These depend on the hydraulics alone, so
// they are found once per build.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/hydraulics_file.h"
#include "transport/network_layout.h"

namespace transport {

struct FlowPeriod {
    long time = 0;
    long step = 0;
    std::vector<double> flow;           // [1..nLinks]: the magnitude of the flow (0 when closed)
    std::vector<signed char> dir;       // [1..nLinks]: -1, 0 (negligible flow) or 1
    std::vector<int> order;             // the nodes, upstream first
    std::vector<int> position;          // [1..nNodes]: a node's place in order
    std::vector<double> outflowRate;    // [1..nNodes]: links leaving it and positive demand
    std::vector<double> negativeDemand; // [1..nNodes]: the demand where it is negative, else 0
    std::vector<int> reversed;          // links whose flow changed sign
    // [1..nLinks]: the upstream node comes before the downstream one in order.
    std::vector<std::uint8_t> upstreamFirst;
    // The links at node n as the solver visits them, those flowing in
    // first: plan[adjStart[n] .. split[n]) in, plan[split[n] .. adjStart[n+1]) out.
    std::vector<int> plan, split;
};

// Builds the periods in the order the solver reads them. Throws
// std::runtime_error where the solver itself would fail or would sort
// nodes in a way this does not follow.
std::vector<FlowPeriod> MakeFlowPeriods(const NetworkLayout& layout, std::vector<HydraulicPeriod>&& periods);

}  // namespace transport
