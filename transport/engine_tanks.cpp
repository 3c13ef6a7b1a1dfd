// The engine's 2COMP, FIFO and LIFO tank models, kept apart from the node
// loop in engine.cpp. Each follows the solver's own model step by step, in
// the same order of operations, so every volume and concentration is the
// same double; the comments name where the solver's behaviour is not the
// obvious one.
#include <cmath>

#include "transport/engine.h"

namespace transport {

namespace {

// The solver's MAX(0.0, x) and MIN(x, y).
double AtLeastZero(double x) { return 0.0 > x ? 0.0 : x; }
double Smaller(double x, double y) { return x < y ? x : y; }

}  // namespace

bool Engine::IsTwoCompartmentChain(std::size_t chain) const { return mixZoneSlot_[chain] != 0; }

// The clean network's record keeps a 2COMP tank's mixing zone (its last
// segment) apart from the stagnant zone (its first).
void Engine::RecordMixZones(std::size_t base) {
    for (std::size_t c = 1; c < mixZoneSlot_.size(); ++c) {
        if (mixZoneSlot_[c] == 0) continue;
        const int s = last_[c];
        if (s >= 0) (*record_)[base + static_cast<std::size_t>(mixZoneSlot_[c])] = seg_[static_cast<std::size_t>(s)].v;
    }
}

// A tank starts as one segment; a 2COMP tank's is split into the stagnant
// zone (first), what lies above the mixing zone's full volume, and the mixing zone (last).
void Engine::AddInitialTankSegments(int n) {
    const auto i = static_cast<std::size_t>(n);
    const int chain = layout_.tankChain[i];
    const double v = layout_.tankInitialVolume[i];
    if (layout_.tankMixing[i] != EN_MIX2) {
        AddSegment(chain, v, 0.0);
        return;
    }
    const double stagnant = AtLeastZero(v - layout_.tankMixFraction[i] * layout_.tankMaxVolume[i]);
    AddSegment(chain, stagnant, 0.0);
    AddSegment(chain, v - stagnant, 0.0);
}

// The tank's quality after the step; a tank without segments keeps the one it had.
double Engine::MixLayeredTank(int n, double vin, double win, double vnet) {
    const int chain = layout_.tankChain[static_cast<std::size_t>(n)];
    if (first_[static_cast<std::size_t>(chain)] < 0) return quality_[static_cast<std::size_t>(n)];
    switch (layout_.tankMixing[static_cast<std::size_t>(n)]) {
        case EN_MIX2: return MixTwoCompartments(n, vin, win, vnet);
        case EN_FIFO: return MixFirstInFirstOut(n, vin, win, vnet);
        default: return MixLastInFirstOut(n, vin, win, vnet);
    }
}

// Inflow mixes into the mixing zone; what overflows it passes to the
// stagnant zone, and a draining tank takes water back from the stagnant
// zone into the mixing zone, whose quality is the tank's.
double Engine::MixTwoCompartments(int n, double vin, double win, double vnet) {
    const auto i = static_cast<std::size_t>(n);
    const auto chain = static_cast<std::size_t>(layout_.tankChain[i]);
    Segment& mix = seg_[static_cast<std::size_t>(last_[chain])];
    Segment& stagnant = seg_[static_cast<std::size_t>(first_[chain])];
    const double vmax = layout_.tankMaxVolume[i];
    const double vmz = layout_.tankMixFraction[i] * vmax;
    double vt = 0.0;
    if (vnet > 0.0) {
        vt = AtLeastZero(mix.v + vnet - vmz);
        if (vin > 0.0) mix.c = (mix.c * mix.v + win) / (mix.v + vin);
        if (vt > 0.0) stagnant.c = (stagnant.c * stagnant.v + mix.c * vt) / (stagnant.v + vt);
    } else if (vnet < 0.0) {
        if (stagnant.v > 0.0) vt = Smaller(stagnant.v, -vnet);
        if (vin + vt > 0.0) mix.c = (mix.c * mix.v + win + stagnant.c * vt) / (mix.v + vin + vt);
    }
    if (vt > 0.0) {
        if (vnet > 0.0) {
            mix.v = vmz;
            stagnant.v += vt;
            const double vsz = vmax - vmz;
            if (stagnant.v > vsz) stagnant.v = vsz;
        } else {
            stagnant.v = AtLeastZero(stagnant.v - vt);
            mix.v = vmz + vt + vnet;
        }
    } else {
        mix.v += vnet;
        mix.v = Smaller(mix.v, vmz);
        mix.v = AtLeastZero(mix.v);
        // A mixing zone below its full volume leaves the stagnant zone empty.
        if (vmz - mix.v > 0.0) stagnant.v = 0.0;
    }
    return mix.c;
}

// Inflow joins the last segment (or starts one); outflow leaves from the
// first. A tank the hydraulics left full passes all its inflow straight on
// while it fills, whenever that happens during the run.
double Engine::MixFirstInFirstOut(int n, double vin, double win, double vnet) {
    const auto i = static_cast<std::size_t>(n);
    const int chain = layout_.tankChain[i];
    const auto ci = static_cast<std::size_t>(chain);
    if (vin > 0.0) {
        const double cin = win / vin;
        Segment& last = seg_[static_cast<std::size_t>(last_[ci])];
        if (std::fabs(last.c - cin) < layout_.tolerance) last.v += vin;
        else AddSegment(chain, vin, cin);
    }
    double vout = vin - vnet;
    if (layout_.tankFull[i] && vnet > 0.0) vout = vin;
    double vsum = 0.0, wsum = 0.0;
    WithdrawLeading(chain, vout, vsum, wsum);
    if (vsum > 0.0) return wsum / vsum;
    if (first_[ci] < 0) return 0.0;
    return seg_[static_cast<std::size_t>(first_[ci])].c;
}

// A filling tank stacks its net inflow on the last segment; a draining one
// gives up its last segments first. A tank the hydraulics left full loses
// the net inflow from its first segments.
double Engine::MixLastInFirstOut(int n, double vin, double win, double vnet) {
    const auto i = static_cast<std::size_t>(n);
    const int chain = layout_.tankChain[i];
    const auto ci = static_cast<std::size_t>(chain);
    const double cin = vin > 0.0 ? win / vin : 0.0;
    double c = seg_[static_cast<std::size_t>(last_[ci])].c;
    double vsum = 0.0, wsum = 0.0;
    if (vnet > 0.0) {
        Segment& last = seg_[static_cast<std::size_t>(last_[ci])];
        if (std::fabs(last.c - cin) < layout_.tolerance) last.v += vnet;
        else AddSegment(chain, vnet, cin);
        c = seg_[static_cast<std::size_t>(last_[ci])].c;
        if (layout_.tankFull[i]) WithdrawLeading(chain, vnet, vsum, wsum);
    } else if (vnet < 0.0) {
        Reverse(chain);
        WithdrawLeading(chain, -vnet, vsum, wsum);
        Reverse(chain);
        c = (wsum + win) / (vsum + vin);
    }
    return c;
}

// Takes volume v from a tank's leading segments. The last segment gives
// whatever is asked of it, and a used-up segment stays when nothing lies behind it.
void Engine::WithdrawLeading(int chain, double v, double& vsum, double& wsum) {
    const auto ci = static_cast<std::size_t>(chain);
    while (v > 0.0) {
        const int s = first_[ci];
        if (s < 0) break;
        Segment& seg = seg_[static_cast<std::size_t>(s)];
        double vseg = Smaller(seg.v, v);
        if (s == last_[ci]) vseg = v;
        vsum += vseg;
        wsum += seg.c * vseg;
        v -= vseg;
        if (v >= 0.0 && vseg >= seg.v) {
            if (seg.prev >= 0) DropFirst(chain);
        } else {
            seg.v -= vseg;
        }
    }
}

}  // namespace transport
