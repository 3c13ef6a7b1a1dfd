#include "transport/flow_periods.h"

#include <cmath>
#include <stdexcept>

namespace transport {

namespace {

// The flow below which the solver takes a link as stagnant: 0.005 gpm in cfs.
const double kStagnantFlow = 0.005 / 448.831;

signed char Direction(double q) {
    if (std::fabs(q) < kStagnantFlow) return 0;
    return q < 0 ? -1 : 1;
}

int Downstream(const NetworkLayout& l, const std::vector<signed char>& dir, int k) {
    return dir[static_cast<std::size_t>(k)] < 0 ? l.from[static_cast<std::size_t>(k)] : l.to[static_cast<std::size_t>(k)];
}

int Opposite(const NetworkLayout& l, int k, int n) {
    return l.from[static_cast<std::size_t>(k)] == n ? l.to[static_cast<std::size_t>(k)] : l.from[static_cast<std::size_t>(k)];
}

// When every node left has inflow, the next one is a neighbour of the
// latest sorted node that has some, or else the first such node.
int NodeBreakingCycle(const NetworkLayout& l, const std::vector<int>& sorted, const std::vector<int>& indegree) {
    for (auto i = sorted.size(); i > 0; --i) {
        const int m = sorted[i - 1];
        for (int a = l.adjStart[static_cast<std::size_t>(m)]; a < l.adjStart[static_cast<std::size_t>(m) + 1]; ++a) {
            const int n = Opposite(l, l.adjLink[static_cast<std::size_t>(a)], m);
            if (indegree[static_cast<std::size_t>(n)] > 0) return n;
        }
    }
    for (int n = 1; n <= l.nNodes; ++n)
        if (indegree[static_cast<std::size_t>(n)] > 0) return n;
    return 0;
}

std::vector<int> SortNodes(const NetworkLayout& l, const std::vector<signed char>& dir) {
    std::vector<int> indegree(static_cast<std::size_t>(l.nNodes) + 1, 0), stack, sorted;
    for (int k = 1; k <= l.nLinks; ++k)
        if (dir[static_cast<std::size_t>(k)] != 0) ++indegree[static_cast<std::size_t>(Downstream(l, dir, k))];
    for (int n = 1; n <= l.nNodes; ++n)
        if (indegree[static_cast<std::size_t>(n)] == 0) stack.push_back(n);
    sorted.reserve(static_cast<std::size_t>(l.nNodes));
    while (static_cast<int>(sorted.size()) < l.nNodes) {
        if (stack.empty()) {
            const int j = NodeBreakingCycle(l, sorted, indegree);
            if (j == 0) break;
            indegree[static_cast<std::size_t>(j)] = 0;
            stack.push_back(j);
        }
        const int i = stack.back();
        stack.pop_back();
        sorted.push_back(i);
        for (int a = l.adjStart[static_cast<std::size_t>(i)]; a < l.adjStart[static_cast<std::size_t>(i) + 1]; ++a) {
            const int k = l.adjLink[static_cast<std::size_t>(a)];
            if (dir[static_cast<std::size_t>(k)] == 0) continue;
            const int n = Downstream(l, dir, k);
            if (n != i && indegree[static_cast<std::size_t>(n)] > 0 && --indegree[static_cast<std::size_t>(n)] == 0)
                stack.push_back(n);
        }
    }
    if (static_cast<int>(sorted.size()) < l.nNodes) throw std::runtime_error("the nodes cannot be sorted along the flow");
    return sorted;
}

void FillNodeRates(const NetworkLayout& l, const std::vector<double>& demand, FlowPeriod& p) {
    p.outflowRate.assign(static_cast<std::size_t>(l.nNodes) + 1, 0.0);
    p.negativeDemand.assign(p.outflowRate.size(), 0.0);
    p.position.assign(p.outflowRate.size(), 0);
    for (std::size_t j = 0; j < p.order.size(); ++j) p.position[static_cast<std::size_t>(p.order[j])] = static_cast<int>(j);
    for (int n = 1; n <= l.nNodes; ++n) {
        const auto i = static_cast<std::size_t>(n);
        double out = 0.0;
        for (int a = l.adjStart[i]; a < l.adjStart[i + 1]; ++a) {
            const int k = l.adjLink[static_cast<std::size_t>(a)];
            if (Downstream(l, p.dir, k) != n) out += std::fabs(p.flow[static_cast<std::size_t>(k)]);
        }
        const double d = demand[i];
        if (l.nodeType[i] == EN_JUNCTION) out += 0.0 >= d ? 0.0 : d;
        p.outflowRate[i] = out;
        p.negativeDemand[i] = 0.0 <= d ? 0.0 : d;
    }
}

// What the transport looks up at every node it visits, found once per period.
void FillPlan(const NetworkLayout& l, FlowPeriod& p) {
    p.upstreamFirst.assign(static_cast<std::size_t>(l.nLinks) + 1, 0);
    for (int k = 1; k <= l.nLinks; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const int down = Downstream(l, p.dir, k);
        const int up = Opposite(l, k, down);
        p.upstreamFirst[i] = p.position[static_cast<std::size_t>(up)] < p.position[static_cast<std::size_t>(down)];
    }
    p.plan.assign(l.adjLink.size(), 0);
    p.split.assign(static_cast<std::size_t>(l.nNodes) + 1, 0);
    for (int n = 1; n <= l.nNodes; ++n) {
        const auto i = static_cast<std::size_t>(n);
        int at = l.adjStart[i];
        for (int a = l.adjStart[i]; a < l.adjStart[i + 1]; ++a)
            if (Downstream(l, p.dir, l.adjLink[static_cast<std::size_t>(a)]) == n)
                p.plan[static_cast<std::size_t>(at++)] = l.adjLink[static_cast<std::size_t>(a)];
        p.split[i] = at;
        for (int a = l.adjStart[i]; a < l.adjStart[i + 1]; ++a)
            if (Downstream(l, p.dir, l.adjLink[static_cast<std::size_t>(a)]) != n)
                p.plan[static_cast<std::size_t>(at++)] = l.adjLink[static_cast<std::size_t>(a)];
    }
    for (double& q : p.flow) q = std::fabs(q);
}

}  // namespace

std::vector<FlowPeriod> MakeFlowPeriods(const NetworkLayout& l, std::vector<HydraulicPeriod>&& hydraulics) {
    std::vector<FlowPeriod> periods;
    std::vector<signed char> dir(static_cast<std::size_t>(l.nLinks) + 1, 0);
    std::vector<int> order;
    long expected = 0;
    for (HydraulicPeriod& h : hydraulics) {
        if (h.time != expected) throw std::runtime_error("the hydraulic periods do not follow each other");
        expected = h.time + h.step;
        FlowPeriod p;
        p.time = h.time;
        p.step = h.step;
        p.flow = std::move(h.flow);
        if (h.time < l.duration) {
            bool changed = false;
            for (int k = 1; k <= l.nLinks; ++k) {
                const auto i = static_cast<std::size_t>(k);
                const signed char now = Direction(p.flow[i]);
                if (now * dir[i] < 0) p.reversed.push_back(k);
                if (now != dir[i]) changed = true;
                dir[i] = now;
            }
            if (changed) order = SortNodes(l, dir);
            if (order.empty()) throw std::runtime_error("no link carries flow when the quality run starts");
        }
        p.dir = dir;
        p.order = order;
        FillNodeRates(l, h.demand, p);
        FillPlan(l, p);
        periods.push_back(std::move(p));
    }
    return periods;
}

}  // namespace transport
