#include "optimizer/cvar_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "optimizer/effort.h"
#include "optimizer/impact_values.h"
#include "optimizer/statistics.h"

namespace optimizer {

namespace {

constexpr int kAlternations = 8;
// Relaxation steps at a threshold when little effort is left.
constexpr std::int64_t kFewestSteps = 30;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct Tail {
    double var, cvar;
};

Tail TailOf(const Problem& problem, const std::vector<std::int32_t>& selection, double alpha) {
    std::vector<double> levels = ImpactLevels(problem, selection);
    double var = KthSmallest(levels, VarRank(problem.eventCount, alpha));
    return {var, CvarGivenVar(levels, var, alpha)};
}

class CvarSearch {
public:
    CvarSearch(const Problem& problem, std::int32_t size, double alpha, const DualSettings& dual, RunControl& control,
               const ExactMedianSolver* exact)
        : problem_(problem), size_(size), alpha_(alpha), dual_(dual), control_(control), exact_(exact),
          scale_((1.0 - alpha) * problem.eventCount), effort_(problem, control, kCvarCellVisits) {}

    void Start(const std::vector<std::int32_t>& start) {
        out_.selection = start;
        out_.value = TailOf(problem_, start, alpha_).cvar;
    }

    // Set for the current VaR, VaR for the new set, while CVaR falls.
    void Alternate() {
        for (int round = 0; round < kAlternations && !OutOfEffort() && !control_.Stopped(); ++round) {
            double t = TailOf(problem_, out_.selection, alpha_).var;
            MedianModel excess = MakeMedianModel(problem_, {CostTransform::Kind::Excess, t}, control_.threads());
            MedianOutcome found = SolveMedian(excess, size_, out_.selection, false, dual_, control_);
            if (!Consider(found.selection)) break;
        }
    }

    bool Bound() {
        std::vector<double> ideal = problem_.ideal, base = problem_.base;
        std::int32_t rank = VarRank(problem_.eventCount, alpha_);
        double low = KthSmallest(ideal, rank), high = KthSmallest(base, rank);
        double var = TailOf(problem_, out_.selection, alpha_).var;
        points_.push_back(Evaluate(low));
        if (var > low && var < high) points_.push_back(Evaluate(var));
        if (high > low) points_.push_back(Evaluate(high));
        for (std::size_t i = 0; i + 1 < points_.size(); ++i) intervals_.push_back(MakeInterval(i, i + 1));
        bool proven = false;
        while (true) {
            std::size_t weakest = Weakest();
            out_.bound = std::min(out_.value, LowestBound());
            control_.Report(Stage::Bounding, dual_.sensors, out_.value, out_.bound);
            proven = out_.bound >= out_.value - 1e-9 * std::max(1.0, std::abs(out_.value));
            if (proven || control_.Stopped() || OutOfEffort() || weakest == intervals_.size()) break;
            if (!Refine(weakest)) break;
        }
        return proven;
    }

    SearchOutcome Outcome() const { return out_; }

private:
    struct Point {
        double t;
        double lower, upper;  // on P(t)
        std::vector<std::int32_t> selection;  // reaches `upper`
        bool triedExactly = false;
        bool Settled() const { return triedExactly || lower >= SafeBound(upper, false); }
    };
    struct Interval {
        std::size_t left, right;  // points
        double split;             // middle impact value strictly inside; NaN when there is none
        double bound;
        bool settled;             // its bound cannot be raised
    };

    bool Consider(const std::vector<std::int32_t>& selection) {
        double cvar = TailOf(problem_, selection, alpha_).cvar;
        if (!(cvar < out_.value - 1e-12 * std::max(1.0, std::abs(out_.value)))) return false;
        out_.value = cvar;
        out_.selection = selection;
        return true;
    }

    MedianModel ExcessModel(double t) const {
        return MakeMedianModel(problem_, {CostTransform::Kind::Excess, t}, control_.threads());
    }

    // Heuristic runs stop at their effort; exact ones only when proven or stopped.
    bool OutOfEffort() const { return !exact_ && effort_.Spent(); }

    Point Evaluate(double t) {
        MedianModel excess = ExcessModel(t);
        DualSettings dual = dual_;
        if (!exact_) dual.maxIterations = static_cast<int>(std::clamp<std::int64_t>(effort_.Left() / 3, kFewestSteps, dual.maxIterations));
        MedianOutcome found = SolveMedian(excess, size_, out_.selection, true, dual, control_);
        Consider(found.selection);
        return Point{t, found.bound, found.total, found.selection};
    }

    void SolveExactly(Point& point) {
        MedianOutcome outcome{point.selection, point.upper, point.lower, {}};
        point.triedExactly = true;
        // Only totals that would bring G below the best CVaR found matter.
        double cutoff = (out_.value - point.t) * scale_;
        (*exact_)(ExcessModel(point.t), size_, cutoff, outcome);
        point.lower = std::max(point.lower, outcome.bound);
        point.upper = outcome.total;
        point.selection = outcome.selection;
        Consider(point.selection);
    }

    double G(const Point& p) const { return p.t + p.lower / scale_; }

    Interval MakeInterval(std::size_t left, std::size_t right) const {
        Interval interval{left, right, MiddleValueBetween(problem_, points_[left].t, points_[right].t, control_.threads()), 0, false};
        interval.bound = IntervalBound(interval);
        return interval;
    }

    double IntervalBound(const Interval& interval) const {
        const Point& a = points_[interval.left];
        const Point& b = points_[interval.right];
        if (!std::isfinite(a.lower) || !std::isfinite(b.lower)) return -kInfinity;
        if (std::isnan(interval.split)) return std::min(G(a), G(b));
        double m1 = 0;
        for (double base : problem_.base) m1 += base > a.t;
        double p2 = b.lower, p1 = std::max(a.lower, b.lower);
        auto envelope = [&](double t) { return t + std::max(p2, p1 - (t - a.t) * m1) / scale_; };
        double lowest = std::min(envelope(a.t), envelope(b.t));
        if (m1 > 0) {
            double crossing = a.t + (p1 - p2) / m1;
            if (crossing > a.t && crossing < b.t) lowest = std::min(lowest, envelope(crossing));
        }
        return lowest;
    }

    double LowestBound() const {
        if (intervals_.empty()) return G(points_[0]);
        double lowest = kInfinity;
        for (const Interval& interval : intervals_) lowest = std::min(lowest, interval.bound);
        return lowest;
    }

    // The open interval with the lowest bound; intervals_.size() when the
    // lowest one is settled (nothing can raise the overall bound) or there is none.
    std::size_t Weakest() const {
        std::size_t weakest = intervals_.size();
        double lowest = kInfinity;
        for (std::size_t i = 0; i < intervals_.size(); ++i)
            if (intervals_[i].bound < lowest) lowest = intervals_[i].bound, weakest = i;
        if (weakest < intervals_.size() && intervals_[weakest].settled) return intervals_.size();
        return weakest;
    }

    // Raises the weakest interval's bound: splits it, or settles its ends.
    bool Refine(std::size_t i) {
        Interval interval = intervals_[i];
        if (!std::isnan(interval.split)) {
            if (!exact_ && static_cast<int>(points_.size()) >= kCvarThresholdPoints) return false;
            points_.push_back(Evaluate(interval.split));
            std::size_t middle = points_.size() - 1;
            intervals_[i] = MakeInterval(interval.left, middle);
            intervals_.push_back(MakeInterval(middle, interval.right));
            return true;
        }
        bool solved = false;
        for (std::size_t end : {interval.left, interval.right})
            if (exact_ && !points_[end].Settled()) SolveExactly(points_[end]), solved = true;
        if (!solved) {
            intervals_[i].settled = true;
            return true;
        }
        for (Interval& other : intervals_) other.bound = IntervalBound(other);
        return true;
    }

    const Problem& problem_;
    std::int32_t size_;
    double alpha_;
    DualSettings dual_;
    RunControl& control_;
    const ExactMedianSolver* exact_;
    double scale_;
    Effort effort_;
    SearchOutcome out_;
    std::vector<Point> points_;
    std::vector<Interval> intervals_;
};

}  // namespace

CvarSearchOutcome SearchCvar(const Problem& problem, std::int32_t size, double alpha,
                             const std::vector<std::int32_t>& start, const DualSettings& dual, RunControl& control,
                             const ExactMedianSolver* exact) {
    CvarSearch search(problem, size, alpha, dual, control, exact);
    search.Start(start);
    CvarSearchOutcome out;
    if (size == 0) {
        out.search = search.Outcome();
        out.search.bound = out.search.value;
        out.proven = true;
        return out;
    }
    search.Alternate();
    out.proven = search.Bound();
    out.search = search.Outcome();
    return out;
}

}  // namespace optimizer
