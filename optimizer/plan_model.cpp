#include "optimizer/plan_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "base/number_text.h"
#include "optimizer/request_error.h"
#include "optimizer/weighted_statistics.h"

namespace optimizer {

namespace {

std::string Number(double v) {
    return base::GeneralText(v, 6);
}

const std::uint8_t* Row(const ScenarioData& data, std::int32_t e) {
    return data.detected + static_cast<std::size_t>(e) * static_cast<std::size_t>(data.nNodes);
}

std::vector<std::int32_t> CountedEvents(const ScenarioData& data, const Options& options,
                                        const std::vector<std::int32_t>& nodes) {
    std::vector<std::int32_t> counted;
    for (std::int32_t e = 0; e < data.nEvents; ++e) {
        const std::uint8_t* flags = Row(data, e);
        bool seen = std::any_of(nodes.begin(), nodes.end(), [&](std::int32_t n) { return flags[n] != 0; });
        if (seen || !options.detectableOnly) counted.push_back(e);
    }
    return counted;
}

// Two passes over the counted rows: cells per column, then the cells.
PlanMeasure BuildMeasure(const ScenarioData& data, bool detection, const PlanModel& model) {
    PlanMeasure m;
    auto columns = static_cast<std::size_t>(model.columns());
    m.columnStart.assign(columns + 1, 0);
    for (std::int32_t e : model.eventIds) {
        const std::uint8_t* flags = Row(data, e);
        for (std::size_t c = 0; c < columns; ++c) m.columnStart[c + 1] += flags[model.columnNode[c]] != 0;
        m.undetected.push_back(detection ? 1.0 : data.undetectedImpact[static_cast<std::size_t>(e)]);
    }
    for (std::size_t c = 0; c < columns; ++c) m.columnStart[c + 1] += m.columnStart[c];
    m.cellEvent.resize(static_cast<std::size_t>(m.columnStart.back()));
    m.cellImpact.resize(m.cellEvent.size());
    std::vector<std::int64_t> next(m.columnStart.begin(), m.columnStart.end() - 1);
    for (std::int32_t local = 0; local < model.events(); ++local) {
        std::int32_t e = model.eventIds[static_cast<std::size_t>(local)];
        const std::uint8_t* flags = Row(data, e);
        std::size_t row = static_cast<std::size_t>(e) * static_cast<std::size_t>(data.nNodes);
        for (std::size_t c = 0; c < columns; ++c) {
            std::int32_t n = model.columnNode[c];
            if (!flags[n]) continue;
            double v = 0;
            if (!detection) {
                v = data.impact[row + static_cast<std::size_t>(n)];
                if (!std::isfinite(v))
                    throw RequestError("the impact of " + EventName(e) + " at " + NodeName(data, n) +
                                       " is not a finite number");
                v = std::min(v, m.undetected[static_cast<std::size_t>(local)]);
            }
            auto at = static_cast<std::size_t>(next[c]++);
            m.cellEvent[at] = local;
            m.cellImpact[at] = static_cast<float>(v);
        }
    }
    return m;
}

std::vector<double> NodeValues(const std::vector<double>& given, std::size_t nodes, double otherwise,
                               const char* what) {
    if (given.empty()) return std::vector<double>(nodes, otherwise);
    if (given.size() != nodes)
        throw RequestError(std::string(what) + " are given for " + std::to_string(given.size()) + " nodes, not " +
                           std::to_string(nodes));
    return given;
}

void SetWeights(const PlanOptions& plan, std::int32_t nEvents, PlanModel& model) {
    if (!plan.eventWeight.empty() && plan.eventWeight.size() != static_cast<std::size_t>(nEvents))
        throw RequestError("weights are given for " + std::to_string(plan.eventWeight.size()) + " events, not " +
                           std::to_string(nEvents));
    double sum = 0;
    for (std::int32_t e : model.eventIds) {
        double w = plan.eventWeight.empty() ? 1.0 : plan.eventWeight[static_cast<std::size_t>(e)];
        if (!(w >= 0) || !std::isfinite(w)) throw RequestError("the weight of event " + std::to_string(e + 1) + " is not a number >= 0");
        model.weight.push_back(w);
        sum += w;
    }
    if (!(sum > 0)) throw RequestError("the weights of the counted events add up to 0");
    for (double& w : model.weight) w /= sum;
}

void SetColumns(const Options& options, const PlanOptions& plan, const Request& request, std::int32_t nNodes,
                PlanModel& model) {
    model.columnNode = request.fixed;
    model.columnNode.insert(model.columnNode.end(), request.freeNodes.begin(), request.freeNodes.end());
    model.fixedColumns = static_cast<std::int32_t>(request.fixed.size());
    auto nodes = static_cast<std::size_t>(nNodes);
    std::vector<double> cost = NodeValues(plan.nodeCost, nodes, 1.0, "costs");
    std::vector<double> failure = NodeValues(plan.nodeFailure, nodes, 0.0, "failure chances");
    for (std::int32_t n : model.columnNode) {
        double c = cost[static_cast<std::size_t>(n)], p = failure[static_cast<std::size_t>(n)];
        if (!(c >= 0) || !std::isfinite(c))
            throw RequestError("the cost of node " + std::to_string(n + 1) + " is not a number >= 0");
        if (!(p >= 0 && p < 1))
            throw RequestError("the failure chance of node " + std::to_string(n + 1) + " is not in [0, 1)");
        model.cost.push_back(c);
        model.failure.push_back(p);
    }
    model.maxFree = (plan.sensorsGiven ? options.sensors : model.columns()) - model.fixedColumns;
}

void SetBudget(const PlanOptions& plan, PlanModel& model) {
    if (!plan.budget) return;
    double budget = *plan.budget, fixedCost = 0, cheapest = std::numeric_limits<double>::infinity();
    if (!(budget >= 0) || !std::isfinite(budget)) throw RequestError("the budget must be a number >= 0");
    for (std::int32_t c = 0; c < model.columns(); ++c) {
        double cost = model.cost[static_cast<std::size_t>(c)];
        if (c < model.fixedColumns) fixedCost += cost;
        else cheapest = std::min(cheapest, cost);
    }
    if (budget < fixedCost)
        throw RequestError("the budget " + Number(budget) + " is below the cost of the fixed sensors, " + Number(fixedCost));
    if (model.fixedColumns == 0 && budget < cheapest)
        throw RequestError("the budget " + Number(budget) + " is below the cheapest node's cost, " + Number(cheapest));
    model.freeBudget = budget - fixedCost;
}

PlanLimit LimitOf(const Requirement& r, const ScenarioData& data, const Options& options, PlanModel& model) {
    PlanLimit limit;
    limit.limit = r.limit;
    switch (r.kind) {
        case Requirement::Kind::Detected:
            limit.measure = kDetectionMeasure;
            limit.limit = 1.0 - r.limit;  // the missed share at most 1 - the detected one
            return limit;
        case Requirement::Kind::Mean: limit.statistic = Statistic::Mean; break;
        case Requirement::Kind::VaR: limit.statistic = Statistic::VaR; break;
        case Requirement::Kind::CVaR: limit.statistic = Statistic::CVaR; break;
        case Requirement::Kind::Worst: limit.statistic = Statistic::Worst; break;
    }
    const ScenarioData& m = r.data ? *r.data : data;
    if (m.nEvents != data.nEvents || m.nNodes != data.nNodes || !m.detected || !m.impact ||
        m.undetectedImpact.size() != static_cast<std::size_t>(m.nEvents))
        throw RequestError("the matrices of requirement '" + r.text + "' do not fit the objective's");
    limit.measure = static_cast<std::int32_t>(model.measures.size());
    model.measures.push_back(BuildMeasure(m, false, model));
    (void)options;
    return limit;
}

}  // namespace

bool PlanModel::Perfect() const {
    return std::all_of(failure.begin(), failure.end(), [](double p) { return p == 0; });
}

PlanModel BuildPlanModel(const ScenarioData& data, const Options& options, const PlanOptions& plan,
                         const Request& request) {
    PlanModel model;
    model.statistic = options.statistic;
    model.alpha = options.alpha;
    if (plan.redundancy < 1) throw RequestError("the redundancy must be at least 1");
    model.redundancy = plan.redundancy;
    SetColumns(options, plan, request, data.nNodes, model);
    SetBudget(plan, model);
    model.eventIds = CountedEvents(data, options, model.columnNode);
    if (model.eventIds.empty()) throw RequestError("no candidate or fixed node detects any event, so no event is left to count");
    SetWeights(plan, data.nEvents, model);
    model.measures.push_back(BuildMeasure(data, options.objective == Objective::Detection, model));
    model.measures.push_back(BuildMeasure(data, true, model));
    for (const Requirement& r : plan.requirements) model.limits.push_back(LimitOf(r, data, options, model));
    return model;
}

namespace {

// Each event's detections under the selection: impact and failure chance.
struct Detections {
    std::vector<std::int64_t> start;
    std::vector<std::pair<float, double>> cells;
};

Detections Gather(const PlanModel& model, const PlanMeasure& m, const std::vector<std::int32_t>& selection, bool perfect) {
    std::vector<std::int32_t> columns(static_cast<std::size_t>(model.fixedColumns));
    for (std::int32_t c = 0; c < model.fixedColumns; ++c) columns[static_cast<std::size_t>(c)] = c;
    columns.insert(columns.end(), selection.begin(), selection.end());
    Detections d;
    d.start.assign(static_cast<std::size_t>(model.events()) + 1, 0);
    for (std::int32_t c : columns)
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k)
            ++d.start[static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)]) + 1];
    for (std::size_t e = 0; e + 1 < d.start.size(); ++e) d.start[e + 1] += d.start[e];
    d.cells.resize(static_cast<std::size_t>(d.start.back()));
    std::vector<std::int64_t> next(d.start.begin(), d.start.end() - 1);
    for (std::int32_t c : columns) {
        double p = perfect ? 0.0 : model.failure[static_cast<std::size_t>(c)];
        for (std::int64_t k = m.columnStart[static_cast<std::size_t>(c)]; k < m.columnStart[static_cast<std::size_t>(c) + 1]; ++k) {
            auto at = static_cast<std::size_t>(next[static_cast<std::size_t>(m.cellEvent[static_cast<std::size_t>(k)])]++);
            d.cells[at] = {m.cellImpact[static_cast<std::size_t>(k)], p};
        }
    }
    return d;
}

}  // namespace

std::vector<double> PlanValues(const PlanModel& model, std::int32_t measure, const std::vector<std::int32_t>& selection,
                               double* detectedShare, Sensing sensing) {
    const PlanMeasure& m = model.measures[static_cast<std::size_t>(measure)];
    Detections d = Gather(model, m, selection, sensing != Sensing::AsPlanned);
    auto r = static_cast<std::size_t>(sensing == Sensing::FirstDetection ? 1 : model.redundancy);
    std::vector<double> values(static_cast<std::size_t>(model.events()));
    std::vector<double> working(r);  // chance that j of the sensors so far work, j < R
    double share = 0;
    for (std::size_t e = 0; e < values.size(); ++e) {
        auto begin = d.cells.begin() + d.start[e], end = d.cells.begin() + d.start[e + 1];
        double missed = 1, value = 0;
        if (r == 1 && sensing != Sensing::AsPlanned) {  // the smallest impact
            for (auto it = begin; it != end; ++it) {
                if (missed == 1 || it->first < value) value = it->first;
                missed = 0;
            }
        } else {
            std::sort(begin, end);
            std::fill(working.begin(), working.end(), 0.0);
            working[0] = 1;
            for (auto it = begin; it != end; ++it) {
                auto [impact, p] = *it;
                value += working[r - 1] * (1 - p) * impact;  // this sensor is the R-th that works
                for (std::size_t j = r - 1; j > 0; --j) working[j] = working[j] * p + working[j - 1] * (1 - p);
                working[0] *= p;
            }
            missed = 0;
            for (double w : working) missed += w;
        }
        values[e] = value + missed * m.undetected[e];
        share += model.weight[e] * (1 - missed);
    }
    if (detectedShare) *detectedShare = share;
    return values;
}

double PlanStatistic(const PlanModel& model, std::int32_t measure, Statistic statistic,
                     const std::vector<std::int32_t>& selection) {
    return WeightedStatistic(statistic, PlanValues(model, measure, selection), model.weight, model.alpha);
}

Figures PlanFigures(const PlanModel& model, const std::vector<std::int32_t>& selection) {
    Figures f;
    std::vector<double> values = PlanValues(model, kObjectiveMeasure, selection, &f.detectedFraction);
    std::vector<double> missed = PlanValues(model, kDetectionMeasure, selection);
    f.events = model.events();
    for (double v : missed) f.detected += v < 1;
    f.mean = WeightedStatistic(Statistic::Mean, values, model.weight, model.alpha);
    f.var = WeightedStatistic(Statistic::VaR, values, model.weight, model.alpha);
    f.cvar = WeightedStatistic(Statistic::CVaR, values, model.weight, model.alpha);
    f.worst = WeightedStatistic(Statistic::Worst, values, model.weight, model.alpha);
    return f;
}

double SelectionCost(const PlanModel& model, const std::vector<std::int32_t>& selection) {
    double total = 0;
    for (std::int32_t c = 0; c < model.fixedColumns; ++c) total += model.cost[static_cast<std::size_t>(c)];
    for (std::int32_t c : selection) total += model.cost[static_cast<std::size_t>(c)];
    return total;
}

}  // namespace optimizer
