#include "transport/engine.h"

#include <bit>
#include <cmath>
#include <stdexcept>

namespace transport {

namespace {

// The flow below which the solver takes a node's outflow as stagnant: 0.005 gpm in cfs.
const double kStagnantFlow = 0.005 / 448.831;
constexpr double kSecondsPerMinute = 60.0;

// Zero divided by a positive volume is zero: a division saved where clean water mixes.
bool IsPositiveZero(double x) { return std::bit_cast<std::uint64_t>(x) == 0; }

// The solver's minimum and maximum, which keep their first argument on a tie.
double Least(double x, double y) { return x <= y ? x : y; }
double Most(double x, double y) { return x >= y ? x : y; }

}  // namespace

Engine::Engine(const SharedTransport& shared)
    : shared_(shared), layout_(shared.layout), factor_(layout_.qualityFactor), tolerance_(layout_.tolerance) {
    const auto chains = static_cast<std::size_t>(layout_.nLinks + layout_.tankCount) + 1;
    const auto nodes = static_cast<std::size_t>(layout_.nNodes) + 1;
    first_.assign(chains, kUntouched);
    last_.assign(chains, kUntouched);
    activeLinks_.assign(nodes, 0);
    marked_.assign(nodes, 0);
    reached_.Reset(nodes);
    quality_.assign(nodes, 0.0);
    source_.assign(nodes, 0.0);
    isFlagged_.assign(nodes, 0);
    due_.assign((static_cast<std::size_t>(layout_.nNodes) + 63) / 64, 0);
    mixZoneSlot_.assign(chains, 0);
    for (std::size_t n = 1; n < nodes; ++n)
        if (layout_.tankChain[n] != 0) mixZoneSlot_[static_cast<std::size_t>(layout_.tankChain[n])] = layout_.mixZoneSlot[n];
    Reset();
}

Engine::Engine(const SharedTransport& shared, std::vector<double>& record) : Engine(shared) {
    record_ = &record;
    Reset();
}

void Engine::SetSource(int node, double strength) {
    const int n = shared_.numbering.node[static_cast<std::size_t>(node)];
    source_[static_cast<std::size_t>(n)] = strength;
    UpdateDue(n);
}

void Engine::Activate(int n) {
    if (activeLinks_[static_cast<std::size_t>(n)]++ == 0) UpdateDue(n);
}

void Engine::UpdateDue(int n) {
    const auto i = static_cast<std::size_t>(n);
    const bool due = IsDue(i);
    if (due && !isFlagged_[i]) {
        isFlagged_[i] = 1;
        flagged_.push_back(n);
    }
    if (!period_) return;
    const auto j = static_cast<std::size_t>(period_->position[i]);
    const std::uint64_t bit = std::uint64_t{1} << (j % 64);
    if (due) due_[j / 64] |= bit;
    else due_[j / 64] &= ~bit;
}

// The first due place at or after place j, or kNoneDue.
std::size_t Engine::NextDue(std::size_t j) const {
    std::size_t w = j / 64;
    if (w >= due_.size()) return kNoneDue;
    std::uint64_t bits = due_[w] & (~std::uint64_t{0} << (j % 64));
    while (bits == 0) {
        if (++w == due_.size()) return kNoneDue;
        bits = due_[w];
    }
    return w * 64 + static_cast<std::size_t>(std::countr_zero(bits));
}

void Engine::LayOutDue() {
    std::fill(due_.begin(), due_.end(), 0);
    const int* position = period_->position.data();
    for (int n : flagged_) {
        const auto i = static_cast<std::size_t>(n);
        if (!IsDue(i)) continue;
        const auto j = static_cast<std::size_t>(position[i]);
        due_[j / 64] |= std::uint64_t{1} << (j % 64);
    }
}

void Engine::Open() { Reset(); }

void Engine::Reset() {
    for (int c : touchedChains_)
        first_[static_cast<std::size_t>(c)] = last_[static_cast<std::size_t>(c)] = kUntouched;
    touchedChains_.clear();
    seg_.clear();
    free_ = -1;
    std::fill(activeLinks_.begin(), activeLinks_.end(), 0);
    std::fill(marked_.begin(), marked_.end(), 0);
    reached_.Clear();
    std::fill(quality_.begin(), quality_.end(), 0.0);
    qtime_ = htime_ = 0;
    nextPeriod_ = 0;
    step_ = 0;
    period_ = nullptr;
    for (int n : flagged_) isFlagged_[static_cast<std::size_t>(n)] = 0;
    flagged_.clear();
    std::fill(due_.begin(), due_.end(), 0);
    for (int n = 1; n <= layout_.nNodes; ++n)
        if (source_[static_cast<std::size_t>(n)] != 0.0) UpdateDue(n);
    if (!record_) return;
    // The clean network's own run simulates everything from the start: a
    // segment filling each pipe and one for each tank.
    for (int k = 1; k <= layout_.nLinks; ++k) {
        const auto i = static_cast<std::size_t>(k);
        if (layout_.linkType[i] == EN_PIPE) AddSegment(k, layout_.pipeVolume[i], 0.0);
        MarkTouched(k);
    }
    for (int n = 1; n <= layout_.nNodes; ++n) {
        const int chain = layout_.tankChain[static_cast<std::size_t>(n)];
        if (chain == 0) continue;
        AddInitialTankSegments(n);
        MarkChainTouched(chain);
        Activate(n);
    }
}

long Engine::RunQ() {
    const long t = qtime_;
    if (qtime_ == htime_) LoadPeriod();
    return t;
}

void Engine::LoadPeriod() {
    if (nextPeriod_ >= shared_.periods.size()) throw std::runtime_error("the hydraulic periods ended early");
    period_ = &shared_.periods[nextPeriod_++];
    LayOutDue();
    if (qtime_ < layout_.duration)
        for (int k : period_->reversed)
            if (Touched(static_cast<std::size_t>(k))) Reverse(k);
    htime_ = period_->time + period_->step;
}

long Engine::StepQ() {
    long left = layout_.qualityStep;
    do {
        long dt = left;
        const long untilHydraulics = htime_ - qtime_;
        if (untilHydraulics < dt) {
            dt = untilHydraulics;
            Transport(dt);
            qtime_ += dt;
            RunQ();
        } else {
            Transport(dt);
            qtime_ += dt;
        }
        left -= dt;
    } while (left > 0);
    return layout_.duration - qtime_;
}

void Engine::Transport(long dt) {
    if (record_) {
        const std::size_t base = record_->size();
        record_->resize(base + shared_.chains, -1.0);
        for (std::size_t c = 1; c < first_.size(); ++c) {
            const int s = first_[c];
            if (s < 0) continue;
            const int behind = seg_[static_cast<std::size_t>(s)].prev;
            if (behind >= 0 && (!IsTwoCompartmentChain(c) || seg_[static_cast<std::size_t>(behind)].prev >= 0))
                throw std::runtime_error("the clean network keeps more than one segment in a link");
            (*record_)[base + c] = seg_[static_cast<std::size_t>(s)].v;
        }
        RecordMixZones(base);
    } else if (step_ >= shared_.steps) {
        throw std::runtime_error("the quality run goes beyond the clean network's");
    } else {
        cleanRow_ = shared_.CleanVolumes(step_);
    }
    const NodeVisit* visits = period_->visits.data();
    const LinkStep* links = period_->linkSteps.data();
    // The next due place is looked up after each visit, which may have made
    // nodes further down due; only the place is carried across the visit.
    for (std::size_t j = NextDue(0); j < kNoneDue; j = NextDue(j + 1)) VisitNode(visits + j, links, dt);
    ++step_;
}

void Engine::VisitNode(const NodeVisit* visit, const LinkStep* links, long dt) {
    const double seconds = static_cast<double>(dt);
    const int split = visit->split, end = visit[1].first;
    double volin = 0.0, massin = 0.0;
    for (int a = visit->first; a < split; ++a) TakeInflow(links[a], links[a].flow * seconds, volin, massin);
    const double volout = visit->outflowRate * seconds;
    const double c = NodeQuality(*visit, volin, massin, volout, dt);
    for (int a = split; a < end; ++a) ReleaseOutflow(links[a], c, links[a].flow * seconds);
    // A node that took on contaminant is visited from now on, even when
    // nothing flows in: the solver keeps or resets its quality each step.
    const auto i = static_cast<std::size_t>(visit->node);
    if (!marked_[i] && quality_[i] != 0.0) {
        marked_[i] = 1;
        reached_.Insert(static_cast<std::size_t>(shared_.numbering.toolkitNode[i]));
        Activate(visit->node);
    }
}

// The volume of untouched link k just before its downstream node is
// visited: the clean network's at the step's start, plus what its upstream
// node released into it if that came first.
double Engine::CleanVolumeAt(int k, double v, bool upstreamFirst) const {
    double volume = cleanRow_[static_cast<std::size_t>(k)];
    if (upstreamFirst) volume = volume < 0.0 ? v : volume + v;
    return volume;
}

void Engine::TakeInflow(const LinkStep& step, double v, double& volin, double& massin) {
    const int k = step.link;
    const auto ki = static_cast<std::size_t>(k);
    const int first = first_[ki];
    if (first == kUntouched) {
        // Clean water adds volume and no mass; the link stays as the clean network's.
        if (!(v > 0.0)) return;
        const double volume = CleanVolumeAt(k, v, step.upstreamFirst != 0);
        if (volume >= 0.0) volin += Least(volume, v);
        return;
    }
    // Most takes leave part of the first segment: the loop below, run once.
    if (first >= 0) {
        Segment& seg = seg_[static_cast<std::size_t>(first)];
        if (v < seg.v) {
            volin += v;
            massin += v * seg.c;
            seg.v -= v;
            return;
        }
    }
    while (v > 0.0) {
        const int s = first_[ki];
        if (s < 0) break;
        Segment& seg = seg_[static_cast<std::size_t>(s)];
        const double vseg = Least(seg.v, v);
        volin += vseg;
        massin += vseg * seg.c;
        v -= vseg;
        if (v >= 0.0 && vseg >= seg.v) DropFirst(k);
        else seg.v -= vseg;
    }
}

void Engine::ReleaseOutflow(const LinkStep& step, double c, double v) {
    const int k = step.link;
    const auto ki = static_cast<std::size_t>(k);
    int s = last_[ki];
    if (s == kUntouched) {
        if (c == 0.0) return;
        Touch(k, v, step.upstreamFirst != 0);
        s = last_[ki];
    }
    if (s >= 0 && std::fabs(seg_[static_cast<std::size_t>(s)].c - c) < tolerance_) {
        Segment& seg = seg_[static_cast<std::size_t>(s)];
        if (!IsPositiveZero(c) || !IsPositiveZero(seg.c)) seg.c = (seg.c * seg.v + c * v) / (seg.v + v);
        seg.v += v;
    } else {
        AddSegment(k, v, c);
    }
}

// Link k takes the clean network's state as its upstream node is about
// to release into it: the step's starting volume, less what its
// downstream node took if that came first.
void Engine::Touch(int k, double v, bool upstreamFirst) {
    const auto ki = static_cast<std::size_t>(k);
    double volume = cleanRow_[ki];
    if (volume >= 0.0 && !upstreamFirst) {
        const double vseg = Least(volume, v);
        const double rest = v - vseg;
        if (rest >= 0.0 && vseg >= volume) volume = -1.0;
        else volume -= vseg;
    }
    if (volume >= 0.0) AddSegment(k, volume, 0.0);
    MarkTouched(k);
}

void Engine::MarkTouched(int k) {
    const auto ki = static_cast<std::size_t>(k);
    MarkChainTouched(k);
    Activate(layout_.from[ki]);
    Activate(layout_.to[ki]);
}

// A chain that took no segment as it was touched is empty, no longer untouched.
void Engine::MarkChainTouched(int chain) {
    const auto ci = static_cast<std::size_t>(chain);
    if (first_[ci] == kUntouched) first_[ci] = last_[ci] = -1;
    touchedChains_.push_back(chain);
}

void Engine::TouchTank(int n) {
    const auto i = static_cast<std::size_t>(n);
    const int chain = layout_.tankChain[i];
    const double volume = cleanRow_[static_cast<std::size_t>(chain)];
    if (volume >= 0.0) AddSegment(chain, volume, 0.0);
    if (layout_.mixZoneSlot[i] != 0) AddSegment(chain, cleanRow_[static_cast<std::size_t>(layout_.mixZoneSlot[i])], 0.0);
    MarkChainTouched(chain);
    Activate(n);
}

// The quality is kept in a register rather than read back from quality_:
// the reload would lengthen the chain from this node's mix to the merges
// into its outflow links.
double Engine::NodeQuality(const NodeVisit& visit, double volin, double massin, double volout, long dt) {
    const int n = visit.node;
    const auto i = static_cast<std::size_t>(n);
    const int type = visit.type;
    double quality = quality_[i];
    if (type == EN_JUNCTION) {
        volin -= visit.negativeDemand * static_cast<double>(dt);
        if (volin > 0.0) quality = IsPositiveZero(massin) ? 0.0 : massin / volin;
    } else if (type == EN_TANK) {
        quality = MixTank(n, volin, massin, volout);
    }
    double added = 0.0;
    if (source_[i] != 0.0 && !(volout / static_cast<double>(dt) <= kStagnantFlow)) {
        added = source_[i] / kSecondsPerMinute;
        added = added * static_cast<double>(dt) / volout;
    }
    if (added != 0.0) {
        if (type == EN_TANK) {
            quality_[i] = quality;
            return quality + added;
        }
        quality = type == EN_JUNCTION ? quality + added : added;
    }
    quality_[i] = quality;
    return quality;
}

double Engine::MixTank(int n, double volin, double massin, double volout) {
    const auto i = static_cast<std::size_t>(n);
    const auto chain = static_cast<std::size_t>(layout_.tankChain[i]);
    if (!Touched(chain)) TouchTank(n);
    if (layout_.tankMixing[i] != EN_MIX1) return MixLayeredTank(n, volin, massin, volin - volout);
    const int s = first_[chain];
    if (s < 0) return quality_[i];
    Segment& seg = seg_[static_cast<std::size_t>(s)];
    const double vnet = volin - volout;
    const double vnew = seg.v + volin;
    if (vnew > 0.0) seg.c = (seg.c * seg.v + massin) / vnew;
    seg.v += vnet;
    seg.v = Most(0.0, seg.v);
    if (seg.v > layout_.tankMaxVolume[i]) seg.v = layout_.tankMaxVolume[i];
    return seg.c;
}

void Engine::GrowPool() {
    seg_.push_back(Segment{0.0, 0.0, free_});
    free_ = static_cast<int>(seg_.size()) - 1;
}

void Engine::Reverse(int chain) {
    const auto ci = static_cast<std::size_t>(chain);
    int s = first_[ci];
    first_[ci] = last_[ci];
    last_[ci] = s;
    int behind = -1;
    while (s >= 0) {
        const int next = seg_[static_cast<std::size_t>(s)].prev;
        seg_[static_cast<std::size_t>(s)].prev = behind;
        behind = s;
        s = next;
    }
}

double Engine::AverageQuality(int k) const {
    double vsum = 0.0, msum = 0.0;
    for (int s = first_[static_cast<std::size_t>(k)]; s >= 0; s = seg_[static_cast<std::size_t>(s)].prev) {
        vsum += seg_[static_cast<std::size_t>(s)].v;
        msum += seg_[static_cast<std::size_t>(s)].c * seg_[static_cast<std::size_t>(s)].v;
    }
    if (vsum > 0.0) return msum / vsum;
    const auto ki = static_cast<std::size_t>(k);
    return (quality_[static_cast<std::size_t>(layout_.from[ki])] + quality_[static_cast<std::size_t>(layout_.to[ki])]) / 2.;
}

std::size_t Engine::Bytes() const {
    return seg_.capacity() * sizeof(Segment) + (first_.capacity() + last_.capacity()) * sizeof(int) +
           marked_.capacity() + reached_.Bytes() +
           (touchedChains_.capacity() + activeLinks_.capacity() + flagged_.capacity()) * sizeof(int) +
           isFlagged_.capacity() + due_.capacity() * sizeof(std::uint64_t) +
           (quality_.capacity() + source_.capacity()) * sizeof(double);
}

void Engine::ReadQualities(std::vector<float>& concentration) const {
    base::ForEachIn(&reached_, 1, concentration.size(),
                    [&](std::size_t n) { concentration[n] = static_cast<float>(Quality(n)); });
}

bool Engine::Clean() const {
    for (std::size_t n = 1; n < quality_.size(); ++n)
        if (quality_[n] * factor_ != 0.0) return false;
    for (int c : touchedChains_)
        if (c <= layout_.nLinks && AverageQuality(c) * factor_ != 0.0) return false;
    return true;
}

}  // namespace transport
