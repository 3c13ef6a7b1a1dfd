// A hydraulic period as the engine works through it, in the engine's
// numbering: the nodes in the order a transport step visits them, each
// with what the visit reads, and their links side by side, so that a step
// reads the period front to back.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/flow_periods.h"
#include "transport/network_layout.h"
#include "transport/numbering.h"

namespace transport {

struct NodeVisit {
    int node = 0;
    int type = 0;    // EN_JUNCTION, EN_RESERVOIR or EN_TANK
    int first = 0;   // its links with flow: linkSteps[first .. split) in, [split .. next visit's first) out
    int split = 0;
    double outflowRate = 0;     // links leaving it and positive demand
    double negativeDemand = 0;  // the demand where it is negative, else 0
};

struct LinkStep {
    int link = 0;
    // The link's upstream node comes before its downstream one in the order.
    std::uint32_t upstreamFirst = 0;
    double flow = 0;  // magnitude, 0 when closed
};

struct PeriodPlan {
    long time = 0;
    long step = 0;
    std::vector<NodeVisit> visits;   // upstream first, and one past the last node whose first ends the links
    std::vector<LinkStep> linkSteps;
    std::vector<int> position;       // [1..nNodes]: a node's place in visits
    std::vector<int> reversed;       // links whose flow changed sign when the period starts

    std::size_t Bytes() const;
};

// The period in the engine's numbering; layout is in the toolkit's.
PeriodPlan MakePeriodPlan(const FlowPeriod& period, const NetworkLayout& layout, const Numbering& numbering);

}  // namespace transport
