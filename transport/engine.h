// The water-quality transport of one worker: Lagrangian segments in links
// and tanks, complete mixing at nodes, mass-rate sources, stepped the way
// the toolkit steps its own solver so that every concentration comes out
// the same, bit for bit.
//
// Only what the contamination touches is simulated. A link or tank that
// has not been touched is exactly as in the clean network, whose volumes
// the shared data holds for every transport step; it takes them the moment
// contaminant reaches it. A node is visited while some link at it, or its
// tank, has been touched, or while its source is on.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "base/index_bits.h"
#include "transport/shared_transport.h"

namespace transport {

class Engine {
public:
    explicit Engine(const SharedTransport& shared);
    // The clean network's run that fills the shared volumes: every link
    // and tank simulated from the start, each step's volumes appended to record.
    Engine(const SharedTransport& shared, std::vector<double>& record);

    // A node's (the toolkit's number) mass inflow in mass units per minute; 0 switches it off.
    void SetSource(int node, double strength);
    // Back to time 0 with the clean network (sources stay as set).
    void Open();
    // As the toolkit's: the current time, taking up a new hydraulic period when one starts.
    long RunQ();
    // As the toolkit's: advances one quality step; returns the time left.
    long StepQ();

    // A node's (the toolkit's number) concentration in the network's concentration units.
    double Quality(std::size_t node) const {
        return quality_[static_cast<std::size_t>(shared_.numbering.node[node])] * factor_;
    }
    // The nodes (the toolkit's numbers) that have carried contaminant since
    // Open; every other node's concentration is exactly 0.
    const base::IndexBits& Reached() const { return reached_; }
    // The concentration of every node reached, Quality(n) rounded to single,
    // into concentration[n]; the other entries are left as they are.
    void ReadQualities(std::vector<float>& concentration) const;
    // Whether no node and no link carries any contaminant.
    bool Clean() const;
    // Bytes the engine holds of its own (the shared data aside).
    std::size_t Bytes() const;

private:
    struct Segment {
        double v, c;
        int prev;  // the segment upstream, or -1
    };

    void Reset();
    void LoadPeriod();
    void Transport(long dt);
    // The per-node and per-link steps run for nearly every node at every
    // step once contamination has spread; inlined into the node loop they
    // keep the running sums in registers.
    [[gnu::always_inline]] inline void VisitNode(const NodeVisit* visit, const LinkStep* links, long dt);
    [[gnu::always_inline]] inline void TakeInflow(const LinkStep& step, double v, double& volin, double& massin);
    [[gnu::always_inline]] inline void ReleaseOutflow(const LinkStep& step, double c, double v);
    [[gnu::always_inline]] inline double NodeQuality(const NodeVisit& visit, double volin, double massin,
                                                     double volout, long dt);
    double MixTank(int n, double volin, double massin, double volout);
    // The 2COMP, FIFO and LIFO models, in engine_tanks.cpp.
    double MixLayeredTank(int n, double vin, double win, double vnet);
    double MixTwoCompartments(int n, double vin, double win, double vnet);
    double MixFirstInFirstOut(int n, double vin, double win, double vnet);
    double MixLastInFirstOut(int n, double vin, double win, double vnet);
    void WithdrawLeading(int chain, double v, double& vsum, double& wsum);
    void AddInitialTankSegments(int n);
    bool IsTwoCompartmentChain(std::size_t chain) const;
    void RecordMixZones(std::size_t base);
    void Touch(int k, double v, bool upstreamFirst);
    static constexpr int kUntouched = std::numeric_limits<int>::min();
    bool Touched(std::size_t chain) const { return first_[chain] != kUntouched; }
    void MarkTouched(int k);
    void MarkChainTouched(int chain);
    void Activate(int n);
    void UpdateDue(int n);
    bool IsDue(std::size_t n) const { return activeLinks_[n] > 0 || source_[n] != 0.0; }
    void LayOutDue();
    static constexpr std::size_t kNoneDue = std::numeric_limits<std::size_t>::max();
    [[gnu::always_inline]] inline std::size_t NextDue(std::size_t j) const;
    void TouchTank(int n);
    [[gnu::always_inline]] inline double CleanVolumeAt(int k, double v, bool upstreamFirst) const;
    // AddSegment and DropFirst are inline: a call in the node loop would
    // spill the running sums.
    void AddSegment(int chain, double v, double c) {
        if (free_ < 0) GrowPool();
        const int s = free_;
        free_ = seg_[static_cast<std::size_t>(s)].prev;
        seg_[static_cast<std::size_t>(s)] = Segment{v, c, -1};
        const auto ci = static_cast<std::size_t>(chain);
        if (first_[ci] < 0) first_[ci] = s;
        if (last_[ci] >= 0) seg_[static_cast<std::size_t>(last_[ci])].prev = s;
        last_[ci] = s;
    }
    void GrowPool();  // puts one new segment on the free list
    void DropFirst(int chain) {
        const auto ci = static_cast<std::size_t>(chain);
        const int s = first_[ci];
        first_[ci] = seg_[static_cast<std::size_t>(s)].prev;
        if (first_[ci] < 0) last_[ci] = -1;
        seg_[static_cast<std::size_t>(s)].prev = free_;
        free_ = s;
    }
    void Reverse(int chain);
    double AverageQuality(int k) const;

    const SharedTransport& shared_;
    const NetworkLayout& layout_;
    std::vector<double>* record_ = nullptr;
    double factor_;
    double tolerance_;  // the layout's, kept at hand for the node loop
    std::vector<Segment> seg_;
    int free_ = -1;
    // By chain: its first (downstream) and last segment, -1 when it has
    // none, and kUntouched while the contamination has not reached it.
    std::vector<int> first_, last_;
    std::vector<int> mixZoneSlot_;             // by chain: a 2COMP tank's mixing zone slot, else 0
    std::vector<int> touchedChains_;
    std::vector<int> activeLinks_;             // by node: touched chains at it
    std::vector<std::uint8_t> marked_;         // by node: took on contaminant
    base::IndexBits reached_;                  // the same nodes by the toolkit's numbers
    std::vector<double> quality_;              // by node, internal units
    std::vector<double> source_;               // by node, mass per minute
    // Node n is visited while it is due: a chain at it touched, or its
    // source on. Bit j of due_ stands for the node at place j of the
    // period's order, so a step visits the due nodes upstream first by
    // scanning words, and a node that falls due during the step is still
    // reached if it lies further down. flagged_ lists every node that has
    // been due since the last reset, to lay the bits out anew for each period.
    std::vector<std::uint64_t> due_;
    std::vector<int> flagged_;
    std::vector<std::uint8_t> isFlagged_;      // by node
    const double* cleanRow_ = nullptr;         // the clean volumes at the current step
    const PeriodPlan* period_ = nullptr;
    std::size_t nextPeriod_ = 0;
    std::size_t step_ = 0;  // transport steps taken
    long qtime_ = 0, htime_ = 0;
};

}  // namespace transport
