#include "transport/numbering.h"

namespace transport {

namespace {

template <typename T>
std::vector<T> Permuted(const std::vector<T>& values, const std::vector<int>& to) {
    std::vector<T> result(values.size());
    for (std::size_t i = 1; i < values.size(); ++i) result[static_cast<std::size_t>(to[i])] = values[i];
    return result;
}

}  // namespace

Numbering NumberAlongFlow(const NetworkLayout& l, const FlowPeriod& first) {
    Numbering numbering;
    numbering.node.assign(static_cast<std::size_t>(l.nNodes) + 1, 0);
    numbering.link.assign(static_cast<std::size_t>(l.nLinks) + 1, 0);
    int nodes = 0, links = 0;
    for (int n : first.order) {
        const auto i = static_cast<std::size_t>(n);
        numbering.node[i] = ++nodes;
        for (int a = l.adjStart[i]; a < l.adjStart[i + 1]; ++a) {
            int& number = numbering.link[static_cast<std::size_t>(first.plan[static_cast<std::size_t>(a)])];
            if (number == 0) number = ++links;
        }
    }
    numbering.toolkitNode.assign(numbering.node.size(), 0);
    for (std::size_t n = 1; n < numbering.node.size(); ++n)
        numbering.toolkitNode[static_cast<std::size_t>(numbering.node[n])] = static_cast<int>(n);
    return numbering;
}

NetworkLayout Renumbered(const NetworkLayout& l, const Numbering& m) {
    NetworkLayout r = l;
    r.nodeType = Permuted(l.nodeType, m.node);
    r.linkType = Permuted(l.linkType, m.link);
    r.pipeVolume = Permuted(l.pipeVolume, m.link);
    r.tankInitialVolume = Permuted(l.tankInitialVolume, m.node);
    r.tankMaxVolume = Permuted(l.tankMaxVolume, m.node);
    r.tankMixing = Permuted(l.tankMixing, m.node);
    r.tankMixFraction = Permuted(l.tankMixFraction, m.node);
    r.tankFull = Permuted(l.tankFull, m.node);
    for (int k = 1; k <= l.nLinks; ++k) {
        const auto i = static_cast<std::size_t>(m.link[static_cast<std::size_t>(k)]);
        r.from[i] = m.node[static_cast<std::size_t>(l.from[static_cast<std::size_t>(k)])];
        r.to[i] = m.node[static_cast<std::size_t>(l.to[static_cast<std::size_t>(k)])];
    }
    int tanks = 0;
    r.adjLink.clear();
    for (int i = 1; i <= l.nNodes; ++i) {
        const auto n = static_cast<std::size_t>(m.toolkitNode[static_cast<std::size_t>(i)]);
        r.tankChain[static_cast<std::size_t>(i)] = l.tankChain[n] == 0 ? 0 : l.nLinks + ++tanks;
        r.adjStart[static_cast<std::size_t>(i)] = static_cast<int>(r.adjLink.size());
        for (int a = l.adjStart[n]; a < l.adjStart[n + 1]; ++a)
            r.adjLink.push_back(m.link[static_cast<std::size_t>(l.adjLink[static_cast<std::size_t>(a)])]);
    }
    r.adjStart[static_cast<std::size_t>(l.nNodes) + 1] = static_cast<int>(r.adjLink.size());
    AssignMixZoneSlots(r);
    return r;
}

}  // namespace transport
