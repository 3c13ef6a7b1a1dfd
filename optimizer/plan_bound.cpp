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

// The chance that fewer than r of the sensors work: the fixed ones and the
// `count` most reliable free ones (no set's detecting sensors do better).
double FewerWorking(const std::vector<double>& fixed, std::vector<double>& free, std::int32_t count, std::size_t r) {
    auto n = std::min<std::size_t>(free.size(), static_cast<std::size_t>(std::max(0, count)));
    std::partial_sort(free.begin(), free.begin() + static_cast<std::ptrdiff_t>(n), free.end());
    std::vector<double> working(r, 0.0);  // chance that j work, j < r
    working[0] = 1;
    auto add = [&](double p) {
        for (std::size_t j = r - 1; j > 0; --j) working[j] = working[j] * p + working[j - 1] * (1 - p);
        working[0] *= p;
    };
    for (double p : fixed) add(p);
    for (std::size_t i = 0; i < n; ++i) add(free[i]);
    double fewer = 0;
    for (double w : working) fewer += w;
    return std::min(1.0, fewer);
}

EventFloor Floors(const PlanModel& model, const PlanMeasure& m) {
    auto events = static_cast<std::size_t>(model.events());
    std::vector<std::vector<float>> impacts(events);
    std::vector<std::vector<double>> freeChances(events), fixedChances(events);
    for (std::int32_t c = 0; c < model.columns(); ++c)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
            impacts[e].push_back(m.cellImpact[static_cast<std::size_t>(k)]);
            double p = model.failure[static_cast<std::size_t>(c)];
            (c < model.fixedColumns ? fixedChances[e] : freeChances[e]).push_back(p);
        }
    std::int32_t most = MostFreeSensors(model);
    auto r = static_cast<std::size_t>(model.redundancy);
    EventFloor f;
    for (std::size_t e = 0; e < events; ++e) {
        double u = m.undetected[e];
        double q = impacts[e].size() < r ? 1.0 : FewerWorking(fixedChances[e], freeChances[e], most, r);
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

// The cells of the relaxation. With one detection, the fixed sensors fold
// into each event's base and the columns are the free ones; with R, the
// base is the undetected impact and the fixed columns come first, always chosen.
struct RelaxedCells {
    std::vector<double> base, ideal;
    std::int32_t forced = 0;
    std::int32_t firstColumn = 0;  // model column of relaxed column 0
    std::vector<std::int64_t> start;
    std::vector<std::int32_t> event;
    std::vector<double> impact;
};

RelaxedCells CellsOf(const PlanModel& model, const PlanMeasure& m) {
    RelaxedCells f;
    f.base = m.undetected;
    bool fold = model.redundancy == 1;
    if (fold)
        for (std::int32_t c = 0; c < model.fixedColumns; ++c)
            for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
                auto e = static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]);
                f.base[e] = std::min<double>(f.base[e], m.cellImpact[static_cast<std::size_t>(k)]);
            }
    f.forced = fold ? 0 : model.fixedColumns;
    f.firstColumn = fold ? model.fixedColumns : 0;
    f.ideal = f.base;
    f.start.push_back(0);
    for (std::int32_t c = f.firstColumn; c < model.columns(); ++c) {
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

// `quick`: the default number of steps whatever the cells (threshold probes).
// Lower bound on sum_e weight_e x (impact at the R-th detection)_e over the
// sets, through the mean of each event's R smallest impacts: for any lambda_e
// at most the base, that mean is at least
//     lambda_e + (1/R) sum over the set's columns of min(0, v_ec - lambda_e).
double MeanRelaxation(const PlanModel& model, std::int32_t measure, const std::vector<double>& weight,
                      const std::vector<std::int32_t>& selection, RunControl& control, bool quick = false) {
    const PlanMeasure& m = model.measures[static_cast<std::size_t>(measure)];
    RelaxedCells f = CellsOf(model, m);
    const double share = 1.0 / model.redundancy;
    std::vector<double> cost(model.cost.begin() + model.fixedColumns, model.cost.end());
    auto events = f.base.size();
    auto columns = f.start.size() - 1;
    auto forced = static_cast<std::size_t>(f.forced);
    std::vector<double> lambda = PlanValues(model, measure, selection, nullptr, Sensing::Perfect);
    double upper = 0;
    for (std::size_t e = 0; e < events; ++e) {
        lambda[e] = std::clamp(lambda[e], f.ideal[e], f.base[e]);
        upper += weight[e] * lambda[e];
    }
    double best = -std::numeric_limits<double>::infinity(), scale = 1;
    int stale = 0;
    double stretch = quick ? 1.0
                           : std::clamp(kCellVisits / std::max<double>(1.0, static_cast<double>(f.event.size())) / kIterations,
                                        1.0, static_cast<double>(kMostIterations) / kIterations);
    int iterations = static_cast<int>(kIterations * stretch);
    int patience = static_cast<int>(kStaleIterations * std::sqrt(stretch));
    double smallest = kSmallestScale / (stretch * stretch);
    std::vector<double> rho(columns), freeRho(columns - forced), y, chosen(columns), gradient(events);
    for (int it = 0; it < iterations && !control.Stopped(); ++it) {
        std::fill(rho.begin(), rho.end(), 0.0);
        for (std::size_t c = 0; c < columns; ++c)
            for (std::int64_t k = f.start[c]; k < f.start[c + 1]; ++k) {
                auto e = static_cast<std::size_t>(f.event[static_cast<std::size_t>(k)]);
                rho[c] += share * weight[e] * std::min(0.0, f.impact[static_cast<std::size_t>(k)] - lambda[e]);
            }
        std::copy(rho.begin() + static_cast<std::ptrdiff_t>(forced), rho.end(), freeRho.begin());
        double bound = Inner(freeRho, cost, model.freeBudget, model.maxFree, y);
        for (std::size_t c = 0; c < columns; ++c) {
            chosen[c] = c < forced ? 1.0 : y[c - forced];
            if (c < forced) bound += rho[c];
        }
        for (std::size_t e = 0; e < events; ++e) {
            bound += weight[e] * lambda[e];
            gradient[e] = weight[e];
        }
        for (std::size_t c = 0; c < columns; ++c)
            for (std::int64_t k = f.start[c]; k < f.start[c + 1]; ++k) {
                auto e = static_cast<std::size_t>(f.event[static_cast<std::size_t>(k)]);
                if (f.impact[static_cast<std::size_t>(k)] < lambda[e]) gradient[e] -= share * weight[e] * chosen[c];
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

constexpr int kThresholdSteps = 8;

// The measure seen at threshold tau: 1 for an event whose impact exceeds
// tau, 0 otherwise, so that its weighted mean is the weight of the events
// above tau.
PlanMeasure AboveThreshold(const PlanMeasure& m, double tau) {
    PlanMeasure t;
    for (double u : m.undetected) t.undetected.push_back(u > tau ? 1.0 : 0.0);
    t.columnStart.push_back(0);
    for (std::size_t c = 0; c + 1 < m.columnStart.size(); ++c) {
        for (std::int64_t k = m.columnStart[c]; k < m.columnStart[c + 1]; ++k)
            if (m.cellImpact[static_cast<std::size_t>(k)] <= tau) {
                t.cellEvent.push_back(m.cellEvent[static_cast<std::size_t>(k)]);
                t.cellImpact.push_back(0.0f);
            }
        t.columnStart.push_back(static_cast<std::int64_t>(t.cellEvent.size()));
    }
    return t;
}

// VaR and the worst case with perfect sensors and first detections: a set
// reaches a value at most tau only if the events above tau weigh at most
// 1 - alpha (none for the worst case); where the relaxation proves more,
// the bound rises to the next impact value above tau. Bisects over the
// impact values between `low` and the set's value.
double ThresholdBound(const PlanModel& model, std::int32_t measure, Statistic statistic,
                      const std::vector<std::int32_t>& selection, double low, RunControl& control) {
    const PlanMeasure& m = model.measures[static_cast<std::size_t>(measure)];
    double high = PlanStatistic(model, measure, statistic, selection);
    std::vector<double> values;
    for (double u : m.undetected)
        if (u > low && u < high) values.push_back(u);
    for (float v : m.cellImpact)
        if (v > low && v < high) values.push_back(v);
    values.push_back(high);
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    double allowed = statistic == Statistic::Worst ? 0.0 : 1.0 - model.alpha;
    PlanModel probe = model;
    probe.limits.clear();
    auto slot = static_cast<std::size_t>(measure);
    double bound = low;
    std::size_t first = 0, last = values.size() - 1;  // the answer lies in values[first..last] or at low
    for (int step = 0; step < kThresholdSteps && first < last && !control.Stopped(); ++step) {
        std::size_t mid = first + (last - first) / 2;
        probe.measures[slot] = AboveThreshold(m, values[mid]);
        double missed = MeanRelaxation(probe, measure, probe.weight, selection, control, true);
        if (missed > allowed + 1e-9) {  // no set reaches values[mid]
            bound = values[mid + 1];
            first = mid + 1;
        } else {
            last = mid;
        }
    }
    return bound;
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
    if ((statistic == Statistic::VaR || statistic == Statistic::Worst) && model.Perfect() && model.redundancy == 1)
        return std::max(bound, ThresholdBound(model, measure, statistic, selection, bound, control));
    if (statistic != Statistic::Mean) return bound;
    std::vector<double> weight(model.weight.size());
    double constant = 0;
    for (std::size_t e = 0; e < weight.size(); ++e) {
        weight[e] = model.weight[e] * (1 - floor.allFail[e]);
        constant += model.weight[e] * floor.allFail[e] * m.undetected[e];
    }
    double relaxed = MeanRelaxation(model, measure, weight, selection, control);
    return std::max(bound, SafeBound(relaxed + constant, false));
}

}  // namespace optimizer
