#include "synthetic/network_scenarios.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>
#include <random>
#include <thread>

namespace synthetic {

namespace {

constexpr int kNeighbours = 4;
constexpr double kUndetectedMinutesPerHour = 120;

struct Network {
    std::vector<double> x, y, population;
    std::vector<std::uint8_t> stagnant;
    std::vector<std::int32_t> outStart, outNode;  // pipes leaving each node (downstream ends)
    std::vector<double> outMinutes;
};

// Nodes sorted into a square grid, for nearest-node searches.
class NodeGrid {
public:
    NodeGrid(const std::vector<double>& x, const std::vector<double>& y)
        : x_(x), y_(y), side_(std::max(1, static_cast<int>(std::sqrt(static_cast<double>(x.size()) / 2.0)))),
          cells_(static_cast<std::size_t>(side_ * side_)) {
        for (std::size_t i = 0; i < x.size(); ++i) cells_[CellOf(x[i], y[i])].push_back(static_cast<std::int32_t>(i));
    }

    // The k nearest nodes to node i among those that `eligible` accepts.
    template <class Eligible>
    std::vector<std::int32_t> Nearest(std::int32_t i, std::size_t k, Eligible&& eligible) const {
        std::vector<std::pair<double, std::int32_t>> near;
        int cx = Coordinate(x_[static_cast<std::size_t>(i)]), cy = Coordinate(y_[static_cast<std::size_t>(i)]);
        // Once k are found within `ring` cells, one more ring holds any nearer ones.
        for (int ring = 0, extra = -1; ring < side_ && extra != 0; ++ring) {
            near.clear();
            for (int gy = std::max(0, cy - ring); gy <= std::min(side_ - 1, cy + ring); ++gy)
                for (int gx = std::max(0, cx - ring); gx <= std::min(side_ - 1, cx + ring); ++gx)
                    for (std::int32_t j : cells_[static_cast<std::size_t>(gy * side_ + gx)])
                        if (j != i && eligible(j)) near.emplace_back(Distance(i, j), j);
            if (extra > 0) --extra;
            if (extra < 0 && near.size() >= k) extra = 1;
        }
        std::sort(near.begin(), near.end());
        std::vector<std::int32_t> nodes;
        for (std::size_t m = 0; m < near.size() && m < k; ++m) nodes.push_back(near[m].second);
        return nodes;
    }

    double Distance(std::int32_t i, std::int32_t j) const {
        return std::hypot(x_[static_cast<std::size_t>(i)] - x_[static_cast<std::size_t>(j)], y_[static_cast<std::size_t>(i)] - y_[static_cast<std::size_t>(j)]);
    }

private:
    int Coordinate(double v) const { return std::min(side_ - 1, static_cast<int>(v * side_)); }
    std::size_t CellOf(double x, double y) const { return static_cast<std::size_t>(Coordinate(y) * side_ + Coordinate(x)); }
    const std::vector<double>& x_;
    const std::vector<double>& y_;
    int side_;
    std::vector<std::vector<std::int32_t>> cells_;
};

using Pipes = std::vector<std::vector<std::pair<std::int32_t, double>>>;  // per node: (other end, minutes)

// A connected layout: every node joins the nearest node laid before it (the
// mains growing out from the first nodes, the sources), plus pipes to its
// nearest neighbours that close loops. Stagnant nodes are spurs: joined to
// their one upstream node only, nothing flows on from them.
Pipes LayPipes(const NodeGrid& grid, std::int32_t n, const std::vector<std::uint8_t>& stagnant,
               const ScenarioShape& shape, std::mt19937_64& random) {
    // Travel minutes per block length.
    std::uniform_real_distribution<double> minutes(shape.fastestPipeMinutes, shape.slowestPipeMinutes);
    double block = 1.0 / std::sqrt(static_cast<double>(n));
    Pipes pipes(static_cast<std::size_t>(n));
    auto join = [&](std::int32_t a, std::int32_t b) {
        auto& list = pipes[static_cast<std::size_t>(a)];
        if (std::any_of(list.begin(), list.end(), [&](const auto& p) { return p.first == b; })) return;
        double m = minutes(random) * grid.Distance(a, b) / block;
        list.emplace_back(b, m);
        pipes[static_cast<std::size_t>(b)].emplace_back(a, m);
    };
    auto flowing = [&](std::int32_t j) { return !stagnant[static_cast<std::size_t>(j)]; };
    for (std::int32_t i = 1; i < n; ++i)
        for (std::int32_t j : grid.Nearest(i, 1, [&](std::int32_t j) { return j < i && flowing(j); })) join(i, j);
    for (std::int32_t i = 0; i < n; ++i)
        if (flowing(i))
            for (std::int32_t j : grid.Nearest(i, kNeighbours, flowing)) join(i, j);
    return pipes;
}

// Travel minutes from the nearest source over the pipes.
std::vector<double> SourceDistance(const Pipes& pipes, int sources) {
    std::vector<double> distance(pipes.size(), std::numeric_limits<double>::infinity());
    using Entry = std::pair<double, std::int32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (std::int32_t s = 0; s < sources; ++s) distance[static_cast<std::size_t>(s)] = 0, queue.emplace(0.0, s);
    while (!queue.empty()) {
        auto [d, i] = queue.top();
        queue.pop();
        if (d > distance[static_cast<std::size_t>(i)]) continue;
        for (const auto& [j, m] : pipes[static_cast<std::size_t>(i)])
            if (d + m < distance[static_cast<std::size_t>(j)]) distance[static_cast<std::size_t>(j)] = d + m, queue.emplace(d + m, j);
    }
    return distance;
}

Network BuildNetwork(const ScenarioShape& shape) {
    std::mt19937_64 random(shape.seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::lognormal_distribution<double> people(3.0, 1.0);
    auto n = static_cast<std::size_t>(shape.nodes);
    Network net;
    net.x.resize(n), net.y.resize(n), net.population.resize(n);
    // Street blocks: nodes near the points of a square lattice, in random order.
    auto side = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(n))));
    std::vector<std::size_t> slots(side * side);
    for (std::size_t k = 0; k < slots.size(); ++k) slots[k] = k;
    std::shuffle(slots.begin(), slots.end(), random);
    for (std::size_t i = 0; i < n; ++i) {
        double jitter = 0.35;
        net.x[i] = (static_cast<double>(slots[i] % side) + 0.5 + jitter * (unit(random) - 0.5)) / static_cast<double>(side);
        net.y[i] = (static_cast<double>(slots[i] / side) + 0.5 + jitter * (unit(random) - 0.5)) / static_cast<double>(side);
        net.population[i] = people(random);
    }
    NodeGrid grid(net.x, net.y);
    int sources = std::max(1, shape.nodes / 4000);
    net.stagnant.resize(n);
    for (std::size_t i = static_cast<std::size_t>(sources); i < n; ++i) net.stagnant[i] = unit(random) < shape.stagnantShare;
    Pipes pipes = LayPipes(grid, shape.nodes, net.stagnant, shape, random);
    // Water runs away from the sources: each pipe from its end nearer a source to the other.
    std::vector<double> height = SourceDistance(pipes, sources);
    net.outStart.push_back(0);
    for (std::size_t i = 0; i < n; ++i) {
        for (const auto& [j, m] : pipes[i])
            if (height[static_cast<std::size_t>(j)] > height[i]) net.outNode.push_back(j), net.outMinutes.push_back(m);
        net.outStart.push_back(static_cast<std::int32_t>(net.outNode.size()));
    }
    return net;
}

// Arrival minutes of the contaminant at every node it reaches within the horizon.
void Arrivals(const Network& net, std::int32_t source, double slowdown, double horizon,
              std::vector<double>& arrival, std::vector<std::int32_t>& reached) {
    reached.clear();
    using Entry = std::pair<double, std::int32_t>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    arrival[static_cast<std::size_t>(source)] = 0;
    queue.emplace(0.0, source);
    while (!queue.empty()) {
        auto [t, i] = queue.top();
        queue.pop();
        if (t > arrival[static_cast<std::size_t>(i)]) continue;
        reached.push_back(i);
        for (std::int32_t k = net.outStart[static_cast<std::size_t>(i)]; k < net.outStart[static_cast<std::size_t>(i) + 1]; ++k) {
            double next = t + net.outMinutes[static_cast<std::size_t>(k)] * slowdown;
            auto j = static_cast<std::size_t>(net.outNode[static_cast<std::size_t>(k)]);
            if (next <= horizon && next < arrival[j]) arrival[j] = next, queue.emplace(next, net.outNode[static_cast<std::size_t>(k)]);
        }
    }
}

}  // namespace

ScenarioSet NetworkScenarios(const ScenarioShape& shape, int threads) {
    ScenarioSet set(shape.events, shape.nodes);
    Network net = BuildNetwork(shape);
    double horizon = shape.simulatedHours * 60;
    auto fill = [&](std::int32_t first, std::int32_t last) {
        std::vector<double> arrival(static_cast<std::size_t>(shape.nodes), std::numeric_limits<double>::infinity());
        std::vector<std::int32_t> reached;
        for (std::int32_t e = first; e < last; ++e) {
            std::mt19937_64 random(shape.seed * 1000003u + static_cast<std::uint64_t>(e));
            std::int32_t source = e % shape.nodes;
            double slowdown = std::uniform_real_distribution<double>(0.8, 1.25)(random);
            if (net.stagnant[static_cast<std::size_t>(source)]) {
                set.Undetected(e) = shape.impact == ImpactKind::Minutes ? kUndetectedMinutesPerHour * shape.simulatedHours
                                                                        : net.population[static_cast<std::size_t>(source)];
                continue;
            }
            Arrivals(net, source, slowdown, horizon, arrival, reached);
            std::uint8_t* detected = set.DetectedRow(e);
            float* impact = set.ImpactRow(e);
            double people = 0;  // reached is in arrival order
            for (std::int32_t i : reached) {
                people += net.population[static_cast<std::size_t>(i)];
                double t = arrival[static_cast<std::size_t>(i)];
                detected[i] = 1;
                impact[i] = static_cast<float>(shape.impact == ImpactKind::Minutes ? t : people * slowdown);
            }
            set.Undetected(e) = shape.impact == ImpactKind::Minutes ? kUndetectedMinutesPerHour * shape.simulatedHours : people * slowdown;
            for (std::int32_t i : reached) arrival[static_cast<std::size_t>(i)] = std::numeric_limits<double>::infinity();
        }
    };
    threads = std::max(1, std::min(threads, shape.events));
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(fill, static_cast<std::int32_t>(static_cast<std::int64_t>(shape.events) * t / threads),
                             static_cast<std::int32_t>(static_cast<std::int64_t>(shape.events) * (t + 1) / threads));
    fill(0, static_cast<std::int32_t>(shape.events / threads));
    for (auto& w : workers) w.join();
    return set;
}

}  // namespace synthetic
