// Non-decreasing maps of impacts under which every statistic reduces to a
// sum over events of the smallest mapped impact of the set:
//   Identity  the impact itself (the mean).
//   Within    0 when the impact is at most `level`, else 1: the events missed
//             at a threshold (VaR and worst case ask whether few enough are);
//             plus `weight` times the excess over the level, a tie-breaker
//             that leads local search towards events just above the level.
//   Excess    max(0, impact - level): the excess over a threshold (CVaR).
//   Cover     0 when the impact is at most `level`, else infinite: only
//             coverage within the threshold counts; the caller sets each
//             event's base to what missing it costs (weights of a covering search).
// A non-decreasing map keeps the smallest impact of a set the smallest.
#pragma once

#include <limits>

namespace optimizer {

struct CostTransform {
    enum class Kind { Identity, Within, Excess, Cover };
    Kind kind = Kind::Identity;
    double level = 0;
    double weight = 0;  // Within only

    double operator()(double v) const {
        switch (kind) {
            case Kind::Within: return v <= level ? 0.0 : 1.0 + weight * (v - level);
            case Kind::Excess: return v > level ? v - level : 0.0;
            case Kind::Cover: return v <= level ? 0.0 : std::numeric_limits<double>::infinity();
            default: return v;
        }
    }
};

// The same maps as types, so that heavy loops are compiled once for each.
struct IdentityCost {
    double operator()(double v) const { return v; }
};
struct WithinCost {
    double level, weight;
    double operator()(double v) const { return v <= level ? 0.0 : 1.0 + weight * (v - level); }
};
struct ExcessCost {
    double level;
    double operator()(double v) const { return v > level ? v - level : 0.0; }
};
struct CoverCost {
    double level;
    double operator()(double v) const { return v <= level ? 0.0 : std::numeric_limits<double>::infinity(); }
};

// Calls fn with the typed map of `cost`.
template <class Fn>
decltype(auto) WithCostType(const CostTransform& cost, Fn&& fn) {
    switch (cost.kind) {
        case CostTransform::Kind::Within: return fn(WithinCost{cost.level, cost.weight});
        case CostTransform::Kind::Excess: return fn(ExcessCost{cost.level});
        case CostTransform::Kind::Cover: return fn(CoverCost{cost.level});
        default: return fn(IdentityCost{});
    }
}

}  // namespace optimizer
