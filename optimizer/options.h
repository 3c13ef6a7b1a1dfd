// What a placement run is asked for: the sensor count, the measure and its
// statistic, where sensors may go, and how long and on how many threads.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace optimizer {

inline constexpr double kDefaultAlpha = 0.95;
// Above this many matrix cells (detections that could lower an event's
// impact) the exact model is not built. The solver's first LP cannot be
// interrupted by the time limit and grows steeply with the cells: about 2 s
// at 27,000 cells, 16 s at 53,000 and 31 s at 70,000 on a 2-core machine.
inline constexpr std::int64_t kDefaultExactCellLimit = 50'000;

// The per-event measure. Impact: the smallest impact among the set's nodes
// that detect the event, or the event's undetected impact when none does. A
// detection never counts worse than a miss: an impact above the event's
// undetected impact counts as the undetected impact. The caller chooses the
// matrix (minutes to detection, people affected, volume consumed) and the
// undetected impacts. Detection: 0 when the set detects the event, 1 when it
// misses it, so the mean is the fraction of events missed.
enum class Objective { Impact, Detection };

// How the per-event values X of a set are aggregated over the n counted
// events, each weighing 1/n:
//   Mean   the expected value E[X].
//   VaR    value at risk at level alpha: the smallest v with
//          P(X <= v) >= alpha, i.e. the k-th smallest value for the smallest
//          k >= alpha n (the product taken with a relative tolerance of 1e-9,
//          so that 0.95 x 20 gives 19).
//   CVaR   conditional value at risk at level alpha (Rockafellar-Uryasev):
//          VaR + E[(X - VaR)+] / (1 - alpha), which is also the smallest value
//          of t + E[(X - t)+] / (1 - alpha) over all t; roughly the mean of the
//          worst (1 - alpha) share of events.
//   Worst  the largest value.
// Every statistic is minimised; a set never does worse in any of them when a
// sensor is added.
enum class Statistic { Mean, VaR, CVaR, Worst };

enum class Stage { Preparing, Heuristic, Bounding, Exact };

struct Progress {
    Stage stage = Stage::Preparing;
    std::int32_t sensors = 0;  // sensor count being worked on; 0 while preparing
    double value = 0;          // best statistic value found so far for it; NaN when none yet
    double bound = 0;          // best proven bound so far for it; NaN when none yet
    double elapsedSeconds = 0;
};

// Called now and then (at each stage and at most about ten times a second
// between) from the thread that called Optimize. Returning false stops the
// run early, as the time limit does.
using ProgressCallback = std::function<bool(const Progress&)>;

struct Options {
    // Sensors in the set, the fixed ones included.
    std::int32_t sensors = 1;
    Objective objective = Objective::Impact;
    Statistic statistic = Statistic::Mean;
    // Level of VaR and CVaR, strictly between 0 and 1.
    double alpha = kDefaultAlpha;
    // Count only the events that some candidate or fixed node detects.
    bool detectableOnly = false;
    // Nodes that always hold a sensor (existing sensors), 0-based.
    std::vector<std::int32_t> fixed;
    // Where the other sensors may go: every node when candidates is unset,
    // otherwise the listed ones (an empty list is refused); excluded nodes never.
    std::optional<std::vector<std::int32_t>> candidates;
    std::vector<std::int32_t> excluded;
    // Solve every sensor count from max(1, fixed count) up to sensors.
    bool curve = false;
    // After the heuristic, solve mixed-integer models (CBC) until the optimum
    // is proven or the time limit passes; skipped when the heuristic is
    // already proven optimal or the problem has more than exactCellLimit cells.
    bool exact = false;
    // Whole-run limit in seconds; 0 = none. Every sensor count still gets a
    // heuristic set (after the limit: greedy sets with the bounds at hand);
    // bound searches and the exact models stop at the limit with what they
    // have proven. The solver checks the limit between its steps, so its
    // first LP can overrun it (see kDefaultExactCellLimit).
    double timeLimitSeconds = 0;
    // Worker threads for the passes over the matrices and the solver; 0 = every
    // core the process may use. The heuristic answer does not depend on it.
    int threads = 0;
    std::int64_t exactCellLimit = kDefaultExactCellLimit;
    ProgressCallback progress;
};

}  // namespace optimizer
