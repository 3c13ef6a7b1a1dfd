// Lower bounds for a median model from the Lagrangian relaxation of its
// assignment constraints.
//
// With one multiplier lambda_e per event, kept between the event's ideal and
// base levels,
//     L(lambda) = sum_e lambda_e + sum of the `size` most negative rho_c,
//     rho_c     = sum over column c's cells of min(0, level(cell) - lambda_e),
// is at most the total of every selection of `size` columns. Started from the
// levels of a good selection S, L is S's total minus the `size` largest gains
// of single columns added to S; projected subgradient steps, sized towards the
// best known total, then raise it.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "optimizer/median_model.h"
#include "optimizer/run_control.h"

namespace optimizer {

struct DualSettings {
    int maxIterations = 400;
    // Steps without a better bound before the step size halves, and the
    // smallest step size, as a share of the first, worth trying.
    int staleIterations = 12;
    double smallestStepScale = 1.0 / 256;
    // Stop as soon as the bound reaches this.
    double target = std::numeric_limits<double>::infinity();
    // Sensor count shown in progress reports, and the factor turning totals
    // into the reported statistic (NaN: totals are not the run's statistic).
    std::int32_t sensors = 0;
    double reportScale = std::numeric_limits<double>::quiet_NaN();
};

struct DualOutcome {
    // Sound: rounded down for floating-point error, and up to a whole number
    // when totals are whole.
    double bound = -std::numeric_limits<double>::infinity();
    // The best of the relaxation's own selections met on the way.
    std::vector<std::int32_t> selection;
    double selectionTotal = std::numeric_limits<double>::infinity();
    // The best few distinct ones, as starts for local search.
    std::vector<std::vector<std::int32_t>> starts;
    // The columns a selection with a smaller total than the best known can
    // use, best rated first: at the best multipliers, putting column c in the
    // relaxation's choice in place of its weakest raises the bound by
    // g_weakest - g_c (g the columns' gains), so columns where that reaches
    // the best known total are left out.
    std::vector<std::int32_t> promising;
    // The multipliers of the best bound.
    std::vector<double> multipliers;
    int iterations = 0;
};

// Settings for a problem of this size: where its cells are few, more steps
// with more patience, so that the bound costs about the same work on any
// problem and gets close to the relaxation's optimum on the small ones.
DualSettings DualSettingsFor(const Problem& problem);

// `upper` is the total of a known selection; `lambda` the starting multipliers.
DualOutcome LagrangianBound(const MedianModel& model, std::int32_t size, double upper, std::vector<double> lambda,
                            const DualSettings& settings, RunControl& control);

// Rounds a computed bound down so that floating-point error cannot lift it
// above the true optimum; up to a whole number when totals are whole.
double SafeBound(double bound, bool wholeTotals);

}  // namespace optimizer
