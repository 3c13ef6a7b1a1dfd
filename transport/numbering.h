// The engine's own numbering of nodes and links. A transport step visits
// the nodes along the flow; numbered in the order the first hydraulic
// period visits them, and the links in the order that walk first meets
// them, a step reads and writes its state nearly in sequence in every
// period whose flow resembles the first's.
#pragma once

#include <vector>

#include "transport/flow_periods.h"
#include "transport/network_layout.h"

namespace transport {

struct Numbering {
    std::vector<int> node;         // [1..nNodes]: the engine's number of a toolkit node
    std::vector<int> link;         // [1..nLinks]: the engine's number of a toolkit link
    std::vector<int> toolkitNode;  // [1..nNodes]: the toolkit's number of an engine node
};

Numbering NumberAlongFlow(const NetworkLayout& layout, const FlowPeriod& first);

// The layout with nodes, links and tank chains in the engine's numbering;
// each node's links keep the order the toolkit visits them in.
NetworkLayout Renumbered(const NetworkLayout& layout, const Numbering& numbering);

}  // namespace transport
