#include "optimizer/planner.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "optimizer/plan_bound.h"
#include "optimizer/plan_exact.h"
#include "optimizer/plan_model.h"
#include "optimizer/plan_search.h"
#include "optimizer/request.h"
#include "optimizer/request_error.h"
#include "optimizer/run_control.h"
#include "optimizer/set_evaluation.h"

namespace optimizer {

namespace {

constexpr double kOptimalityTolerance = 1e-7;

bool Proven(double value, double bound) {
    return value - bound <= kOptimalityTolerance * std::max(1.0, std::abs(value));
}

// One problem of the run: a sensor count and a budget.
struct Step {
    std::int32_t sensors = 0;
    double budget = std::numeric_limits<double>::quiet_NaN();
};

std::vector<Step> Steps(const Options& options, const PlanOptions& plan, const Request& request) {
    std::vector<Step> steps;
    auto fixed = static_cast<std::int32_t>(request.fixed.size());
    if (options.curve && plan.budget) {
        std::vector<double> budgets = plan.budgetSteps.empty() ? std::vector<double>{*plan.budget} : plan.budgetSteps;
        for (double b : budgets) steps.push_back({options.sensors, b});
    } else if (options.curve && plan.sensorsGiven) {
        for (std::int32_t k = std::max<std::int32_t>(1, fixed); k <= options.sensors; ++k)
            steps.push_back({k, plan.budget.value_or(std::nan(""))});
    } else {
        steps.push_back({options.sensors, plan.budget.value_or(std::nan(""))});
    }
    return steps;
}

void SetStep(PlanModel& model, const Step& step, bool sensorsGiven, double fixedCost) {
    model.maxFree = (sensorsGiven ? step.sensors : model.columns()) - model.fixedColumns;
    model.freeBudget = std::isnan(step.budget) ? std::numeric_limits<double>::infinity() : step.budget - fixedCost;
}

std::vector<std::int32_t> Nodes(const PlanModel& model, const std::vector<std::int32_t>& selection) {
    std::vector<std::int32_t> nodes(model.columnNode.begin(), model.columnNode.begin() + model.fixedColumns);
    for (std::int32_t c : selection) nodes.push_back(model.columnNode[static_cast<std::size_t>(c)]);
    std::sort(nodes.begin(), nodes.end());
    return nodes;
}

RequirementAnswer AnswerRequirement(const PlanModel& model, const PlanLimit& limit,
                                    const std::vector<std::int32_t>& selection, bool provenFeasible, RunControl& control) {
    RequirementAnswer a;
    a.value = PlanStatistic(model, limit.measure, limit.statistic, selection);
    double best = PlanBound(model, limit.measure, limit.statistic, selection, control);
    a.met = a.value <= limit.limit + 1e-9 * std::max(1.0, std::abs(limit.limit));
    a.provenInfeasible = !provenFeasible && best > limit.limit + 1e-9 * std::max(1.0, std::abs(limit.limit));
    a.best = std::min(best, a.value);
    a.limit = limit.limit;
    if (limit.measure == kDetectionMeasure) {  // shares detected, not missed
        a.value = std::clamp(1 - a.value, 0.0, 1.0);
        a.best = std::clamp(1 - a.best, 0.0, 1.0);
        a.limit = 1 - a.limit;
    }
    return a;
}

struct StepOutcome {
    std::vector<std::int32_t> selection;
    double bound = -std::numeric_limits<double>::infinity();
    ExactStatus exact = ExactStatus::NotRequested;
    bool infeasible = false;  // proven by the exact model
};

StepOutcome SolveStep(const PlanModel& model, const Options& options, const std::vector<std::int32_t>& start,
                      std::int32_t sensors, RunControl& control) {
    StepOutcome out;
    control.Report(Stage::Heuristic, sensors, std::nan(""), std::nan(""));
    out.selection = SearchPlan(model, start, control);
    PlanScore score = ScoreOf(model, out.selection);
    control.Report(Stage::Bounding, sensors, score.value, std::nan(""));
    out.bound = PlanBound(model, kObjectiveMeasure, model.statistic, out.selection, control);
    if (!options.exact) return out;
    if (score.Feasible() && Proven(score.value, out.bound)) {
        out.exact = ExactStatus::Optimal;
        return out;
    }
    if (!PlanExactCovers(model)) {
        out.exact = ExactStatus::NotModelled;
        return out;
    }
    control.Report(Stage::Exact, sensors, score.value, out.bound);
    double known = score.Feasible() ? score.value : std::numeric_limits<double>::infinity();
    PlanExactOutcome exact = SolvePlanExactly(model, known, options.exactCellLimit, control);
    out.exact = exact.status;
    if (exact.status == ExactStatus::ModelTooLarge) return out;
    out.infeasible = exact.infeasible;
    if (exact.found) {
        PlanScore found = ScoreOf(model, exact.selection);
        if (Better(found, score)) out.selection = exact.selection;
    }
    out.bound = std::max(out.bound, exact.bound);
    return out;
}

Placement MakePlacement(const ScenarioData& data, const Options& options, const PlanModel& model, const Step& step,
                        const StepOutcome& outcome, RunControl& control) {
    Placement p;
    p.nodes = Nodes(model, outcome.selection);
    p.sensors = std::isnan(step.budget) || options.sensors > 0 ? step.sensors : static_cast<std::int32_t>(p.nodes.size());
    p.figures = EvaluateSet(data, options.objective, p.nodes, model.eventIds, options.alpha);
    p.exact = outcome.exact;
    PlanAnswer& a = p.plan;
    a.applied = true;
    a.cost = SelectionCost(model, outcome.selection);
    a.budget = step.budget;
    a.figures = PlanFigures(model, outcome.selection);
    for (const PlanLimit& limit : model.limits) {
        a.requirements.push_back(AnswerRequirement(model, limit, outcome.selection, false, control));
        a.feasible = a.feasible && a.requirements.back().met;
        if (outcome.infeasible) a.requirements.back().provenInfeasible = !a.requirements.back().met;
    }
    p.value = a.figures.Value(options.statistic);
    p.bound = a.feasible ? std::min(p.value, outcome.bound) : outcome.bound;
    p.gap = !a.feasible ? std::nan("") : p.value == 0 ? 0 : (p.value - p.bound) / std::abs(p.value);
    p.provenOptimal = a.feasible && Proven(p.value, p.bound);
    return p;
}

std::int32_t Undetectable(const ScenarioData& data, const PlanModel& model) {
    std::int32_t count = 0;
    for (std::int32_t e = 0; e < data.nEvents; ++e) {
        const std::uint8_t* row = data.detected + static_cast<std::size_t>(e) * static_cast<std::size_t>(data.nNodes);
        count += std::none_of(model.columnNode.begin(), model.columnNode.end(), [&](std::int32_t n) { return row[n] != 0; });
    }
    return count;
}

}  // namespace

Result Plan(const ScenarioData& data, const Options& options, const PlanOptions& plan) {
    Options checked = options;
    if (!plan.sensorsGiven) checked.sensors = std::max<std::int32_t>(1, static_cast<std::int32_t>(options.fixed.size()));
    Request request = ValidateRequest(data, checked);
    if (!plan.sensorsGiven) request.sensors = 0;
    RunControl control(request.threads, options.timeLimitSeconds, options.progress);
    control.Report(Stage::Preparing, 0, std::nan(""), std::nan(""));
    PlanModel model = BuildPlanModel(data, checked, plan, request);
    double fixedCost = SelectionCost(model, {});
    // Below this no set can be bought: the fixed sensors, or with none the cheapest node.
    double leastSpend = fixedCost;
    if (model.fixedColumns == 0 && model.columns() > 0)
        leastSpend = *std::min_element(model.cost.begin(), model.cost.end());

    Result result;
    result.threads = request.threads;
    result.undetectableEvents = Undetectable(data, model);
    result.floor = EvaluateSet(data, options.objective, Nodes(model, [&] {
                                   std::vector<std::int32_t> all;
                                   for (std::int32_t c = model.fixedColumns; c < model.columns(); ++c) all.push_back(c);
                                   return all;
                               }()),
                               model.eventIds, options.alpha);
    result.ceiling = EvaluateSet(data, options.objective, Nodes(model, {}), model.eventIds, options.alpha);
    Options solving = options;
    if (!plan.sensorsGiven) solving.sensors = 0;
    std::vector<std::int32_t> selection;
    for (const Step& step : Steps(solving, plan, request)) {
        if (!std::isnan(step.budget) && step.budget < leastSpend) continue;
        SetStep(model, step, plan.sensorsGiven, fixedCost);
        StepOutcome outcome = SolveStep(model, solving, selection, step.sensors, control);
        selection = outcome.selection;
        result.placements.push_back(MakePlacement(data, solving, model, step, outcome, control));
    }
    result.stoppedEarly = control.Stopped();
    result.seconds = control.Elapsed();
    return result;
}

}  // namespace optimizer
