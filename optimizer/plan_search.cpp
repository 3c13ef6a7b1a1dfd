#include "optimizer/plan_search.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

#include "optimizer/weighted_statistics.h"

namespace optimizer {

namespace {

constexpr double kRelative = 1e-9;
// A free sensor's cost divides its gain; one that costs nothing is worth any gain.
constexpr double kSmallestCost = 1e-12;

bool Below(double a, double b) {
    return a < b - kRelative * std::max(1.0, std::abs(b));
}

bool Fits(const PlanModel& model, const std::vector<std::int32_t>& selection) {
    if (static_cast<std::int32_t>(selection.size()) > model.maxFree) return false;
    double cost = 0;
    for (std::int32_t c : selection) cost += model.cost[static_cast<std::size_t>(c)];
    return cost <= model.freeBudget + kRelative * std::max(1.0, model.freeBudget);
}

// The improvement from b to a on the first of the score's parts that moves.
struct Gain {
    int level = 4;  // 0 violation, 1 value, 2 mean, 3 guide, 4 none
    double amount = 0;
};

Gain GainOf(const PlanScore& from, const PlanScore& to) {
    if (Below(to.violation, from.violation)) return {0, from.violation - to.violation};
    if (Below(from.violation, to.violation)) return {};
    if (Below(to.value, from.value)) return {1, from.value - to.value};
    if (Below(from.value, to.value)) return {};
    if (Below(to.mean, from.mean)) return {2, from.mean - to.mean};
    if (Below(from.mean, to.mean)) return {};
    if (Below(to.guide, from.guide)) return {3, from.guide - to.guide};
    return {};
}

// Adds the column with the best gain per cost^exponent until none fits or gains.
void Greedy(const PlanModel& model, std::vector<std::int32_t>& selection, double exponent, RunControl& control) {
    std::vector<std::uint8_t> taken(static_cast<std::size_t>(model.columns()), 0);
    for (std::int32_t c : selection) taken[static_cast<std::size_t>(c)] = 1;
    PlanScore score = ScoreOf(model, selection);
    while (!control.Stopped()) {
        Gain best;
        std::int32_t chosen = -1;
        PlanScore chosenScore;
        for (std::int32_t c = model.fixedColumns; c < model.columns(); ++c) {
            if (taken[static_cast<std::size_t>(c)]) continue;
            selection.push_back(c);
            if (Fits(model, selection)) {
                PlanScore s = ScoreOf(model, selection, &score);
                Gain g = GainOf(score, s);
                if (exponent > 0) g.amount /= std::pow(std::max(kSmallestCost, model.cost[static_cast<std::size_t>(c)]), exponent);
                if (g.level < best.level || (g.level == best.level && g.level < 4 && g.amount > best.amount)) {
                    best = g;
                    chosen = c;
                    chosenScore = s;
                }
            }
            selection.pop_back();
        }
        if (chosen < 0) return;
        selection.push_back(chosen);
        taken[static_cast<std::size_t>(chosen)] = 1;
        score = chosenScore;
    }
}

// One best-improvement step among additions and swaps; false when none improves.
bool ImproveOnce(const PlanModel& model, std::vector<std::int32_t>& selection, PlanScore& score) {
    std::vector<std::uint8_t> taken(static_cast<std::size_t>(model.columns()), 0);
    for (std::int32_t c : selection) taken[static_cast<std::size_t>(c)] = 1;
    std::vector<std::int32_t> best;
    PlanScore bestScore = score;
    auto consider = [&](const std::vector<std::int32_t>& trial) {
        if (!Fits(model, trial)) return;
        PlanScore s = ScoreOf(model, trial, &bestScore);
        if (Better(s, bestScore)) {
            bestScore = s;
            best = trial;
        }
    };
    std::vector<std::int32_t> trial = selection;
    for (std::int32_t in = model.fixedColumns; in < model.columns(); ++in) {
        if (taken[static_cast<std::size_t>(in)]) continue;
        trial.push_back(in);
        consider(trial);
        trial.pop_back();
        for (std::size_t slot = 0; slot < trial.size(); ++slot) {
            std::int32_t out = trial[slot];
            trial[slot] = in;
            consider(trial);
            trial[slot] = out;
        }
    }
    if (best.empty()) return false;
    selection = std::move(best);
    score = bestScore;
    return true;
}

// The best of: each selected column dropped and the set refilled by gain per
// cost; false when none is better.
bool DropAndRefill(const PlanModel& model, std::vector<std::int32_t>& selection, PlanScore& score, RunControl& control) {
    std::vector<std::int32_t> best;
    PlanScore bestScore = score;
    for (std::size_t slot = 0; slot < selection.size() && !control.Stopped(); ++slot) {
        std::vector<std::int32_t> trial = selection;
        trial.erase(trial.begin() + static_cast<std::ptrdiff_t>(slot));
        Greedy(model, trial, 1, control);
        PlanScore s = ScoreOf(model, trial);
        if (Better(s, bestScore)) {
            best = std::move(trial);
            bestScore = s;
        }
    }
    if (best.empty()) return false;
    selection = std::move(best);
    score = bestScore;
    return true;
}

// Under a full budget a sensor cannot be exchanged for a dearer one until
// another is exchanged for a cheaper one, which alone may not pay. For each
// selected column, its best exchange for a cheaper column is followed by the
// best addition or swap the freed budget allows; the best result is kept
// when it beats the set. False when none does.
bool ExchangeForCheaper(const PlanModel& model, std::vector<std::int32_t>& selection, PlanScore& score,
                        std::int64_t& steps, RunControl& control) {
    std::vector<std::uint8_t> taken(static_cast<std::size_t>(model.columns()), 0);
    for (std::int32_t c : selection) taken[static_cast<std::size_t>(c)] = 1;
    std::vector<std::int32_t> best;
    PlanScore bestScore = score;
    for (std::size_t slot = 0; slot < selection.size() && !control.Stopped(); ++slot) {
        const double outCost = model.cost[static_cast<std::size_t>(selection[slot])];
        std::vector<std::int32_t> trial = selection;
        std::vector<std::int32_t> cheaper;
        PlanScore cheaperScore;
        for (std::int32_t in = model.fixedColumns; in < model.columns(); ++in) {
            if (taken[static_cast<std::size_t>(in)] || !Below(model.cost[static_cast<std::size_t>(in)], outCost)) continue;
            trial[slot] = in;
            PlanScore s = ScoreOf(model, trial);
            if (cheaper.empty() || Better(s, cheaperScore)) {
                cheaper = trial;
                cheaperScore = s;
            }
        }
        if (cheaper.empty() || !ImproveOnce(model, cheaper, cheaperScore)) continue;
        ++steps;
        if (Better(cheaperScore, bestScore)) {
            best = std::move(cheaper);
            bestScore = cheaperScore;
        }
    }
    if (best.empty()) return false;
    selection = std::move(best);
    score = bestScore;
    return true;
}

}  // namespace

PlanScore ScoreOf(const PlanModel& model, const std::vector<std::int32_t>& selection, const PlanScore* than) {
    PlanScore score;
    std::vector<double> values = PlanValues(model, kObjectiveMeasure, selection);
    score.value = WeightedStatistic(model.statistic, values, model.weight, model.alpha);
    score.mean = model.statistic == Statistic::Mean ? score.value
                                                    : WeightedStatistic(Statistic::Mean, values, model.weight, model.alpha);
    if (model.redundancy > 1)
        score.guide = WeightedStatistic(Statistic::Mean, PlanValues(model, kObjectiveMeasure, selection, nullptr, Sensing::FirstDetection),
                                        model.weight, model.alpha);
    if (than && than->Feasible() && !model.limits.empty() && !Better(score, *than)) {
        score.violation = std::numeric_limits<double>::infinity();
        return score;
    }
    for (const PlanLimit& limit : model.limits) {
        double v = PlanStatistic(model, limit.measure, limit.statistic, selection);
        if (v > limit.limit + kRelative * std::max(1.0, std::abs(limit.limit)))
            score.violation += (v - limit.limit) / std::max(1.0, std::abs(limit.limit));
    }
    return score;
}

bool Better(const PlanScore& a, const PlanScore& b) {
    return GainOf(b, a).level < 4;
}

std::vector<std::int32_t> SearchPlan(const PlanModel& model, const std::vector<std::int32_t>& start,
                                     RunControl& control) {
    const std::vector<std::int32_t> first = Fits(model, start) ? start : std::vector<std::int32_t>{};
    bool equalCosts = std::adjacent_find(model.cost.begin() + model.fixedColumns, model.cost.end(),
                                         std::not_equal_to<>()) == model.cost.end();
    // Gain per cost, per square root of cost and gain alone: with equal costs the same choices.
    std::vector<std::int32_t> selection;
    PlanScore score;
    for (double exponent : equalCosts ? std::vector<double>{1} : std::vector<double>{1, 0.5, 0}) {
        std::vector<std::int32_t> trial = first;
        Greedy(model, trial, exponent, control);
        PlanScore s = ScoreOf(model, trial);
        if (selection.empty() || Better(s, score)) {
            selection = std::move(trial);
            score = s;
        }
    }
    std::int64_t steps = 1;
    while (!control.Stopped() && ImproveOnce(model, selection, score)) ++steps;
    // Under a budget one swap may free too little or too much: drop one
    // sensor, refill greedily, and settle by swaps again while that helps.
    // A full budget also blocks exchanges that pay only in pairs.
    while (!equalCosts && !control.Stopped() &&
           (DropAndRefill(model, selection, score, control) || ExchangeForCheaper(model, selection, score, steps, control)))
        while (!control.Stopped() && ImproveOnce(model, selection, score)) ++steps;
    control.CountPasses(steps);
    std::sort(selection.begin(), selection.end());
    return selection;
}

}  // namespace optimizer
