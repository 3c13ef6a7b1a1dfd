// One contamination event simulated with the toolkit's water-quality solver:
// every node is a candidate sensor, and each gets its detection flag, time to
// detection, affected population and consumed contaminated volume.
//
// All state of an event lives in one EventSimulation, so several of them can
// run at once on different threads, each with its own toolkit session.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/index_bits.h"
#include "builder/baseline.h"
#include "builder/dose_response.h"
#include "builder/events.h"
#include "builder/flow_units.h"
#include "builder/run_parameters.h"

namespace builder {

// Per-node results of one event, indexed by toolkit node index 1..nNodes;
// element 0 is unused.
struct EventResult {
    std::vector<std::uint8_t> DetectedFlag;
    std::vector<float> Z1, Z2, Z3;
    // The event's impact when no sensor detects it: people affected at the
    // last recorded step (without the Z2 measure: none), and the
    // contaminated volume consumed up to it.
    std::optional<float> UndetectedPeople;
    float UndetectedVolume = 0.0f;
    // Recorded steps not simulated because the network was clean again.
    std::int32_t StepsLeftOut = 0;
};

// The run parameters an event needs, copied once before the events run.
struct EventSettings {
    std::int32_t QualStep = 0;
    std::int32_t MaxSimDuration = 0;
    float DetectionSensitivity = 0.0f;
    float FlowTimeFactor = 0.0f;
    bool NoZ2 = false;
    DoseResponse Model{};
};

EventSettings MakeEventSettings(const network::Network& net, const RunParameters& parameters, const FlowFactors& flow);

// What the quality loop needs from a toolkit session whose hydraulics are solved:
//   void SetSourceQuality(int node, float strength);
//   void OpenQuality();                 // open and initialise the quality solver
//   long RunQ();  long StepQ();
//   void ReadQuality(std::vector<float>& concentration);  // [1..nNodes]
//   void CloseQuality();
//   bool BackgroundIsZero(std::int32_t step);
//   bool CarriesNoContaminant();
// BackgroundIsZero tells whether every node's concentration is exactly 0 at
// a recorded step of a run whose sources have all stayed off so far; a
// session that does not know answers false and the concentrations are read.
// CarriesNoContaminant tells whether every node's and every link's quality
// is exactly 0 at the step just read; once that holds after the last source
// is switched off, every later step repeats the clean network and the event
// ends there (when the baseline says the network allows it). A session that
// answers false runs every event to its end.
// A session may also offer
//   const base::IndexBits* NodesReached();
// the nodes that have carried contaminant since OpenQuality; its
// ReadQuality then need write only those, every other node's
// concentration being exactly 0 (and left as it was, 0 since the event
// began). The passes over the nodes may then leave the others out.
class EventSimulation {
public:
    EventSimulation(const Baseline& baseline, const EventSettings& settings);

    // Simulates one event in an open session and fills result. processEvents
    // is called once at the start of every pass of the quality loop.
    template <typename Session>
    void Run(Session& session, const Event& event, EventResult& result,
             const std::function<void()>& processEvents = {});

private:
    void Reset(const Event& event, EventResult& result);
    template <typename Session>
    void SwitchSources(Session& session, const Event& event, long t);
    void RecordStep(std::int32_t s, long t, EventResult& result);
    // What a recorded step's pass over the nodes depends on.
    struct StepFacts {
        bool tracksExposure, continues, hasPrevious;
        const float* demandRow;  // nullptr beyond the baseline's steps
        float minutes;           // since the first injection
    };
    template <bool kContinuingWithDemand>
    // The nodes from first on (those of only, where it walks its members).
    void RecordNodes(const StepFacts& facts, const base::IndexBits* only, EventResult& result, std::size_t first = 1);
    // RecordNodes<true> over every node, four at a time.
    void RecordEveryNodeContinuing(const StepFacts& facts, EventResult& result);
    [[gnu::always_inline]] inline void RecordDetection(const StepFacts& facts, std::size_t n, EventResult& result);
    void RecordCleanStep(std::int32_t s);
    bool SourcesSpent(long t) const;
    void LeaveOutCleanSteps(std::int32_t s, EventResult& result);
    void RecordNewDetections(std::int32_t s, EventResult& result);
    void RecordUndetectedImpact(EventResult& result);
    // The nodes whose exposure may be above 0, for the dose response to
    // leave out the others, or nullptr to go through every node.
    const base::IndexBits* Exposed() const { return populationFinite_ ? reached_ : nullptr; }

    const Baseline& base_;
    EventSettings settings_;
    std::vector<float> concentration_;
    std::vector<float> exposure_;  // running sums, updated in place
    std::vector<std::int32_t> newDetections_;
    ResponseCache responses_;  // each node's last exposure sum and its response
    const base::IndexBits* reached_ = nullptr;  // the session's NodesReached, or nullptr
    bool populationFinite_ = true;              // every node's population is finite
    std::int32_t lastExposureStep_ = -1;
    std::int32_t lastRecordedStep_ = -1;
    std::int32_t firstInjectionTime_ = 0;
    std::int32_t firstInjectionStep_ = 0;
    long sourcesEnd_ = 0;  // seconds; no source is switched on from here
    bool sourcesOn_ = false;  // some source is on until the next switch
    float consumedVolume_ = 0.0f;
    bool sourcesSwitchedOn_ = false;
};

template <typename Session>
void EventSimulation::SwitchSources(Session& session, const Event& event, long t) {
    const long qualStep = settings_.QualStep;
    sourcesOn_ = false;
    for (const Injection& injection : event.injections) {
        const long start = qualStep * injection.startStep;
        const long length = static_cast<long>(injection.hours) * 3600;
        const long next = t + qualStep;
        if (next == start || (start < next && next < start + length)) {
            // Between two recorded steps the source keeps its strength.
            if (t % qualStep == 0) session.SetSourceQuality(injection.node, injection.massRate);
            sourcesSwitchedOn_ = true;
            sourcesOn_ = true;
        } else {
            session.SetSourceQuality(injection.node, 0.0f);
        }
    }
}

template <typename Session>
void EventSimulation::Run(Session& session, const Event& event, EventResult& result,
                          const std::function<void()>& processEvents) {
    Reset(event, result);
    long t = -settings_.QualStep;
    long tleft = 0;
    session.OpenQuality();
    reached_ = nullptr;
    if constexpr (requires { session.NodesReached(); }) reached_ = session.NodesReached();
    do {
        if (processEvents) processEvents();
        SwitchSources(session, event, t);
        t = session.RunQ();
        double step = static_cast<double>(t) / settings_.QualStep;
        if (step == static_cast<double>(static_cast<std::int64_t>(step))) {
            const auto s = static_cast<std::int32_t>(step);
            lastRecordedStep_ = s;
            // Until a source is switched on the event is the clean network, and
            // where that carries no contaminant nothing needs reading.
            if (!sourcesSwitchedOn_ && settings_.DetectionSensitivity >= 0.0f && session.BackgroundIsZero(s)) {
                RecordCleanStep(s);
            } else {
                session.ReadQuality(concentration_);
                RecordStep(s, t, result);
                if (SourcesSpent(t) && session.CarriesNoContaminant()) {
                    LeaveOutCleanSteps(s, result);
                    break;
                }
            }
        }
        tleft = session.StepQ();
    } while (tleft != 0);
    session.CloseQuality();
    RecordUndetectedImpact(result);
}

}  // namespace builder
