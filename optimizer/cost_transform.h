// Non-decreasing maps of impacts under which every statistic reduces to a
// sum over events of the smallest mapped impact of the set:
//   Identity  the impact itself (the mean).
//   Within    0 when the impact is at most `level`, else 1: the events missed
//             at a threshold (VaR and worst case ask whether few enough are).
//   Excess    max(0, impact - level): the excess over a threshold (CVaR).
// A non-decreasing map keeps the smallest impact of a set the smallest.
#pragma once

namespace optimizer {

struct CostTransform {
    enum class Kind { Identity, Within, Excess };
    Kind kind = Kind::Identity;
    double level = 0;

    double operator()(double v) const {
        switch (kind) {
            case Kind::Within: return v <= level ? 0.0 : 1.0;
            case Kind::Excess: return v > level ? v - level : 0.0;
            default: return v;
        }
    }
};

// The same maps as types, so that heavy loops are compiled once for each.
struct IdentityCost {
    double operator()(double v) const { return v; }
};
struct WithinCost {
    double level;
    double operator()(double v) const { return v <= level ? 0.0 : 1.0; }
};
struct ExcessCost {
    double level;
    double operator()(double v) const { return v > level ? v - level : 0.0; }
};

// Calls fn with the typed map of `cost`.
template <class Fn>
decltype(auto) WithCostType(const CostTransform& cost, Fn&& fn) {
    switch (cost.kind) {
        case CostTransform::Kind::Within: return fn(WithinCost{cost.level});
        case CostTransform::Kind::Excess: return fn(ExcessCost{cost.level});
        default: return fn(IdentityCost{});
    }
}

}  // namespace optimizer
