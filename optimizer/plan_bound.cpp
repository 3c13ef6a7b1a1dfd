#include "optimizer/plan_bound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "optimizer/lagrangian_bound.h"
#include "optimizer/weighted_statistics.h"

namespace optimizer {

namespace {

// The relaxation's steps: as lagrangian_bound.h's, more of them with more
// patience where the cells are few, about the same work on any problem.
constexpr int kIterations = 400, kMostIterations = 20000;
constexpr double kCellVisits = 1.6e7;
constexpr int kStaleIterations = 12;
constexpr double kSmallestScale = 1.0 / 256;
constexpr int kMultiplierSearchSteps = 40;

struct EventFloor {
    std::vector<double> floor;  // lower limit of each event's value
    std::vector<double> allFail;  // Q per event
};

// The product of the `count` smallest of the chances.
double SmallestProduct(std::vector<double>& chances, std::int32_t count) {
    auto n = std::min<std::size_t>(chances.size(), static_cast<std::size_t>(std::max(0, count)));
    std::partial_sort(chances.begin(), chances.begin() + static_cast<std::ptrdiff_t>(n), chances.end());
    double product = 1;
    for (std::size_t i = 0; i < n; ++i) product *= chances[i];
    return product;
}

EventFloor Floors(const PlanModel& model, const PlanMeasure& m) {
    auto events = static_cast<std::size_t>(model.events());
    std::vector<std::vector<float>> impacts(events);
    std::vector<std::vector<double>> freeChances(events);
    std::vector<double> fixedProduct(events, 1.0);
    for (std::int32_t c = 0; c < model.columns(); ++c)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            impacts[e].push_back(m.cellImpact[static_cast<std::size_t>(k)]);
            double p = model.failure[static_cast<std::size_t>(c)];
            if (c < model.fixedColumns) fixedProduct[e] *= p;
            else freeChances[e].push_back(p);
        }
    std::int32_t most = MostFreeSensors(model);
    auto r = static_cast<std::size_t>(model.redundancy);
    EventFloor f;
    for (std::size_t e = 0; e < events; ++e) {
        double u = m.undetected[e];
        double q = impacts[e].size() < r ? 1.0 : fixedProduct[e] * SmallestProduct(freeChances[e], most);
        double best = u;
        if (impacts[e].size() >= r) {
            std::nth_element(impacts[e].begin(), impacts[e].begin() + static_cast<std::ptrdiff_t>(r - 1), impacts[e].end());
            best = impacts[e][r - 1];
        }
        f.floor.push_back((1 - q) * best + q * u);
        f.allFail.push_back(q);
    }
    return f;
}

// min sum r_c y_c over 0 <= y <= 1, sum cost_c y_c <= budget (the columns'
// linear knapsack), taking the most negative r per cost first.
double Knapsack(const std::vector<double>& r, const std::vector<double>& cost, double budget, std::vector<double>& y) {
    std::vector<std::size_t> order;
    y.assign(r.size(), 0.0);
    double total = 0;
    for (std::size_t c = 0; c < r.size(); ++c) {
        if (r[c] >= 0) continue;
        if (cost[c] <= 0) {
            y[c] = 1;
            total += r[c];
        } else {
            order.push_back(c);
        }
    }
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return r[a] * cost[b] < r[b] * cost[a]; });
    double left = budget;
    for (std::size_t c : order) {
        if (left <= 0) break;
        double take = std::min(1.0, left / cost[c]);
        y[c] = take;
        total += take * r[c];
        left -= take * cost[c];
    }
    return total;
}

// The linear relaxation's least sum r_c y_c with at most `count` columns and
// the budget: the best over the count's multiplier mu >= 0 of
// Knapsack(r + mu) - mu count, a concave function of mu.
double Inner(const std::vector<double>& r, const std::vector<double>& cost, double budget, std::int32_t count,
             std::vector<double>& y) {
    double unlimited = Knapsack(r, cost, budget, y);
    double used = std::accumulate(y.begin(), y.end(), 0.0);
    if (used <= count + 1e-12) return unlimited;
    double low = 0, high = 0;
    for (double v : r) high = std::max(high, -v);
    std::vector<double> shifted(r.size()), trial;
    auto value = [&](double mu, std::vector<double>& out) {
        for (std::size_t c = 0; c < r.size(); ++c) shifted[c] = r[c] + mu;
        return Knapsack(shifted, cost, budget, out) - mu * count;
    };
    double best = -std::numeric_limits<double>::infinity();
    for (int step = 0; step < kMultiplierSearchSteps; ++step) {
        double a = low + (high - low) / 3, b = high - (high - low) / 3;
        double va = value(a, trial);
        if (va > best) {
            best = va;
            y = trial;
        }
        double vb = value(b, trial);
        if (vb > best) {
            best = vb;
            y = trial;
        }
        (va < vb ? low : high) = va < vb ? a : b;
    }
    return best;
}

// The free columns' cells below the event's level under the fixed sensors.
struct FreeCells {
    std::vector<double> base, ideal;
    std::vector<std::int64_t> start;
    std::vector<std::int32_t> event;
    std::vector<double> impact;
};

FreeCells CellsOf(const PlanModel& model, const PlanMeasure& m) {
    FreeCells f;
    f.base = m.undetected;
    for (std::int32_t c = 0; c < model.fixedColumns; ++c)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            f.base[e] = std::min<double>(f.base[e], m.cellImpact[static_cast<std::size_t>(k)]);
        }
    f.ideal = f.base;
    f.start.push_back(0);
    for (std::int32_t c = model.fixedColumns; c < model.columns(); ++c) {
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            double v = m.cellImpact[static_cast<std::size_t>(k)];
            if (v >= f.base[e]) continue;
            f.event.push_back(static_cast<std::int32_t>(e));
            f.impact.push_back(v);
            f.ideal[e] = std::min(f.ideal[e], v);
        }
        f.start.push_back(static_cast<std::int64_t>(f.event.size()));
    }
    return f;
}

// Lower bound on sum_e weight_e x first-detection impact_e over the sets.
double MeanRelaxation(const PlanModel& model, const PlanMeasure& m, const std::vector<double>& weight,
                      const std::vector<std::int32_t>& selection, RunControl& control) {
    FreeCells f = CellsOf(model, m);
    std::vector<double> cost(model.cost.begin() + model.fixedColumns, model.cost.end());
    auto events = f.base.size();
    std::vector<double> lambda = f.base;
    double upper = 0;
    for (std::int32_t c : selection) {
        auto local = static_cast<std::size_t>(c - model.fixedColumns);
        for (std::int64_t k = f.start[local]; k < f.start[local + 1]; ++k) {
            auto e = static_cast<std::size_t>(f.event[static_cast<std::size_t>(k)]);
            lambda[e] = std::min(lambda[e], f.impact[static_cast<std::size_t>(k)]);
        }
    }
    for (std::size_t e = 0; e < events; ++e) upper += weight[e] * lambda[e];
    double best = -std::numeric_limits<double>::infinity(), scale = 1;
    int stale = 0;
    double stretch = std::clamp(kCellVisits / std::max<double>(1.0, static_cast<double>(f.event.size())) / kIterations,
                                1.0, static_cast<double>(kMostIterations) / kIterations);
    int iterations = static_cast<int>(kIterations * stretch);
    int patience = static_cast<int>(kStaleIterations * std::sqrt(stretch));
    double smallest = kSmallestScale / (stretch * stretch);
    std::vector<double> rho(cost.size()), y, gradient(events);
    for (int it = 0; it < iterations && !control.Stopped(); ++it) {
        std::fill(rho.begin(), rho.end(), 0.0);
        for (std::size_t c = 0; c < cost.size(); ++c)
            for (std::int64_t k = f.start[c]; k < f.start[c + 1]; ++k) {
                auto e = static_cast<std::size_t>(f.event[static_cast<std::size_t>(k)]);
                rho[c] += weight[e] * std::min(0.0, f.impact[static_cast<std::size_t>(k)] - lambda[e]);
            }
        double bound = Inner(rho, cost, model.freeBudget, model.maxFree, y);

        for (std::size_t e = 0; e < events; ++e) {
            bound += weight[e] * lambda[e];
            gradient[e] = weight[e];
        }
        for (std::size_t c = 0; c < cost.size(); ++c)
            for (std::int64_t k = f.start[c]; k < f.start[c + 1]; ++k) {
                auto e = static_cast<std::size_t>(f.event[static_cast<std::size_t>(k)]);
                if (f.impact[static_cast<std::size_t>(k)] < lambda[e]) gradient[e] -= weight[e] * y[c];
            }
        if (it == 0 || bound > best + 1e-12 * std::max(1.0, std::abs(best))) {
            best = bound;
            stale = 0;
        } else if (++stale >= patience) {
            scale /= 2;
            stale = 0;
            if (scale < smallest) break;
        }
        double norm = 0;
        for (std::size_t e = 0; e < events; ++e) {
            double& g = gradient[e];
            if ((g > 0 && lambda[e] >= f.base[e]) || (g < 0 && lambda[e] <= f.ideal[e])) g = 0;  // cannot move
            norm += g * g;
        }
        if (norm <= 0 || upper - bound <= 1e-12 * std::max(1.0, std::abs(upper))) break;
        double step = scale * (upper - bound) / norm;
        for (std::size_t e = 0; e < events; ++e)
            lambda[e] = std::clamp(lambda[e] + step * gradient[e], f.ideal[e], f.base[e]);
    }
    control.CountPasses(1);
    return SafeBound(best, false);
}

}  // namespace

std::int32_t MostFreeSensors(const PlanModel& model) {
    std::vector<double> cost(model.cost.begin() + model.fixedColumns, model.cost.end());
    std::sort(cost.begin(), cost.end());
    double spent = 0;
    std::int32_t count = 0;
    for (double c : cost) {
        if (count >= model.maxFree || spent + c > model.freeBudget * (1 + 1e-9) + 1e-12) break;
        spent += c;
        ++count;
    }
    return count;
}

double PlanBound(const PlanModel& model, std::int32_t measure, Statistic statistic,
                 const std::vector<std::int32_t>& selection, RunControl& control) {
    const PlanMeasure& m = model.measures[static_cast<std::size_t>(measure)];
    EventFloor floor = Floors(model, m);
    double bound = SafeBound(WeightedStatistic(statistic, floor.floor, model.weight, model.alpha), false);
    if (statistic != Statistic::Mean) return bound;
    std::vector<double> weight(model.weight.size());
    double constant = 0;
    for (std::size_t e = 0; e < weight.size(); ++e) {
        weight[e] = model.weight[e] * (1 - floor.allFail[e]);
        constant += model.weight[e] * floor.allFail[e] * m.undetected[e];
    }
    double relaxed = MeanRelaxation(model, m, weight, selection, control);
    return std::max(bound, SafeBound(relaxed + constant, false));
}

}  // namespace optimizer
