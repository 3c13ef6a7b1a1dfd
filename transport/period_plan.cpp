#include "transport/period_plan.h"

namespace transport {

std::size_t PeriodPlan::Bytes() const {
    return visits.capacity() * sizeof(NodeVisit) + linkSteps.capacity() * sizeof(LinkStep) +
           (position.capacity() + reversed.capacity()) * sizeof(int);
}

PeriodPlan MakePeriodPlan(const FlowPeriod& p, const NetworkLayout& l, const Numbering& m) {
    PeriodPlan plan;
    plan.time = p.time;
    plan.step = p.step;
    plan.visits.reserve(p.order.size() + 1);
    plan.linkSteps.reserve(p.plan.size());
    plan.position.assign(static_cast<std::size_t>(l.nNodes) + 1, 0);
    const auto addLink = [&](int a) {
        const auto k = static_cast<std::size_t>(p.plan[static_cast<std::size_t>(a)]);
        // A link without flow neither gives nor takes water: no visit reads it.
        if (p.flow[k] == 0.0) return;
        plan.linkSteps.push_back({m.link[k], p.upstreamFirst[k], p.flow[k]});
    };
    for (int n : p.order) {
        const auto i = static_cast<std::size_t>(n);
        NodeVisit visit;
        visit.node = m.node[i];
        visit.type = l.nodeType[i];
        visit.first = static_cast<int>(plan.linkSteps.size());
        for (int a = l.adjStart[i]; a < p.split[i]; ++a) addLink(a);
        visit.split = static_cast<int>(plan.linkSteps.size());
        for (int a = p.split[i]; a < l.adjStart[i + 1]; ++a) addLink(a);
        visit.outflowRate = p.outflowRate[i];
        visit.negativeDemand = p.negativeDemand[i];
        plan.position[static_cast<std::size_t>(visit.node)] = static_cast<int>(plan.visits.size());
        plan.visits.push_back(visit);
    }
    NodeVisit end;
    end.first = static_cast<int>(plan.linkSteps.size());
    plan.visits.push_back(end);
    plan.reversed.reserve(p.reversed.size());
    for (int k : p.reversed) plan.reversed.push_back(m.link[static_cast<std::size_t>(k)]);
    return plan;
}

}  // namespace transport
