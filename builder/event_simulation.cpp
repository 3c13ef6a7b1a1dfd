#include "builder/event_simulation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "builder/numbers.h"

namespace builder {

EventSettings MakeEventSettings(const network::Network& net, const RunParameters& p, const FlowFactors& flow) {
    EventSettings settings;
    settings.QualStep = net.QualStep;
    settings.MaxSimDuration = p.MaxSimDuration;
    settings.DetectionSensitivity = p.DetectionSensitivity;
    settings.FlowTimeFactor = flow.FlowTimeFactor;
    settings.NoZ2 = p.NoZ2;
    settings.Model = DoseResponse{p.IngestionRate, p.BodyWeight, p.D50, p.Beta, net.QualStep};
    return settings;
}

EventSimulation::EventSimulation(const Baseline& baseline, const EventSettings& settings)
    : base_(baseline), settings_(settings) {
    const auto slots = static_cast<std::size_t>(base_.nNodes) + 1;
    populationFinite_ = std::all_of(base_.Population.begin(), base_.Population.end(),
                                    [](float people) { return std::isfinite(people); });
    concentration_.assign(slots, 0.0f);
    exposure_.assign(slots, 0.0f);
    newDetections_.reserve(slots);
}

void EventSimulation::Reset(const Event& event, EventResult& result) {
    const auto slots = static_cast<std::size_t>(base_.nNodes) + 1;
    result.DetectedFlag.assign(slots, 0);
    result.Z1.assign(slots, static_cast<float>(120 * settings_.MaxSimDuration));
    result.Z2.assign(slots, -1.0f);
    result.Z3.assign(slots, -1.0f);
    result.DetectedFlag[0] = 0;
    result.Z1[0] = result.Z2[0] = result.Z3[0] = 0.0f;
    std::fill(exposure_.begin(), exposure_.end(), 0.0f);
    std::fill(concentration_.begin(), concentration_.end(), 0.0f);
    responses_.Reset(slots);
    lastExposureStep_ = -1;
    lastRecordedStep_ = -1;
    result.UndetectedPeople.reset();
    result.UndetectedVolume = 0.0f;
    result.StepsLeftOut = 0;
    consumedVolume_ = 0.0f;
    sourcesSwitchedOn_ = false;

    firstInjectionTime_ = 100 * 3600;
    sourcesEnd_ = 0;
    sourcesOn_ = false;
    for (const Injection& injection : event.injections) {
        std::int32_t start = settings_.QualStep * injection.startStep;
        firstInjectionTime_ = std::min(firstInjectionTime_, start);
        sourcesEnd_ = std::max(sourcesEnd_, static_cast<long>(settings_.QualStep) * injection.startStep +
                                                static_cast<long>(injection.hours) * 3600);
    }
    firstInjectionStep_ = ToInt32(static_cast<double>(firstInjectionTime_) / settings_.QualStep);
}

// One pass over the nodes: the running exposure sums, first detections and
// the contaminated volume consumed. The exposure sum continues from step
// s - 1 only when that step was recorded in this event; otherwise it starts
// again from zero. Nodes without consumption keep an exposure of 0.
void EventSimulation::RecordStep(std::int32_t s, long t, EventResult& result) {
    const bool tracksExposure = !settings_.NoZ2;
    const bool continues = s > 0 && lastExposureStep_ == s - 1;
    const float* demandRow = base_.DemandRow(s);
    // Nearly every step of an event continues the sums of the step before
    // within the baseline's demands; the pass for those knows it.
    const StepFacts facts{tracksExposure, continues, s > 0, demandRow,
                          static_cast<float>(static_cast<double>(t - firstInjectionTime_) / 60)};
    // A node the contaminant has not reached has a concentration and an
    // exposure of 0, which the pass leaves as they are, unless 0 detects.
    const base::IndexBits* only = !(0.0f > settings_.DetectionSensitivity) ? reached_ : nullptr;
    if (tracksExposure && continues && demandRow) {
        if (base::WalksMembers(only)) RecordNodes<true>(facts, only, result);
        else RecordEveryNodeContinuing(facts, result);
    } else {
        RecordNodes<false>(facts, only, result);
    }
    if (tracksExposure) lastExposureStep_ = s;
    if (!newDetections_.empty()) RecordNewDetections(s, result);
}

namespace {

// Water consumed above this concentration counts as contaminated.
constexpr float kContaminatedWater = 0.3f;

// Four nodes' values side by side, for the compiler's vector operations.
using Floats4 = float __attribute__((vector_size(16)));
using Doubles4 = double __attribute__((vector_size(32)));
using Bytes4 = std::uint8_t __attribute__((vector_size(4)));
using Ints4 = std::int32_t __attribute__((vector_size(16)));

template <typename Vector, typename T>
Vector Load(const T* at) {
    Vector v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

}  // namespace

// Node n's first detection and its consumption of contaminated water at a recorded step.
void EventSimulation::RecordDetection(const StepFacts& facts, std::size_t n, EventResult& result) {
    const float c = concentration_[n];
    if (!(c > settings_.DetectionSensitivity)) return;
    if (result.DetectedFlag[n] == 0) {
        result.DetectedFlag[n] = 1;
        result.Z1[n] = facts.minutes;
        newDetections_.push_back(static_cast<std::int32_t>(n));
    }
    const float demand = facts.demandRow ? facts.demandRow[n] : 0.0f;
    if (demand > 0 && c > kContaminatedWater)
        consumedVolume_ = static_cast<float>(consumedVolume_ + static_cast<double>(demand) * settings_.QualStep /
                                                                  settings_.FlowTimeFactor);
}

// The pass of a step that continues the sums within the baseline's demands,
// over every node. Four nodes' exposure sums are formed at once, each as
// UpdatedExposure forms it; only four that hold a first detection or a
// consumption are gone through one by one, in order, for the running sum
// of the consumed volume. The nodes past the last whole four go through
// the pass node by node.
void EventSimulation::RecordEveryNodeContinuing(const StepFacts& facts, EventResult& result) {
    const float threshold = settings_.DetectionSensitivity;
    const float* demandRow = facts.demandRow;
    const float* perMinute = base_.VolumePerMinute.data();
    const float* conc = concentration_.data();
    float* exposure = exposure_.data();
    const std::uint8_t* detected = result.DetectedFlag.data();
    const std::size_t end = static_cast<std::size_t>(base_.nNodes) + 1;
    std::size_t n = 1;
    for (; n + 4 <= end; n += 4) {
        const auto c = Load<Floats4>(conc + n), previous = Load<Floats4>(exposure + n);
        const auto volume = Load<Floats4>(perMinute + n), demand = Load<Floats4>(demandRow + n);
        const Doubles4 sum = __builtin_convertvector(demand, Doubles4) / __builtin_convertvector(volume, Doubles4) *
                                 __builtin_convertvector(c, Doubles4) +
                             __builtin_convertvector(previous, Doubles4);
        const Floats4 updated = (volume > 0) & (c != 0) ? __builtin_convertvector(sum, Floats4) : previous;
        std::memcpy(exposure + n, &updated, sizeof updated);
        const Ints4 fresh = __builtin_convertvector(Load<Bytes4>(detected + n), Ints4) == 0;
        const Ints4 notable = (c > threshold) & (fresh | ((demand > 0) & (c > kContaminatedWater)));
        if ((notable[0] | notable[1] | notable[2] | notable[3]) == 0) continue;
        for (std::size_t k = 0; k < 4; ++k)
            if (notable[k] != 0) RecordDetection(facts, n + k, result);
    }
    RecordNodes<true>(facts, nullptr, result, n);
}

template <bool kContinuingWithDemand>
void EventSimulation::RecordNodes(const StepFacts& facts, const base::IndexBits* only, EventResult& result,
                                  std::size_t first) {
    const bool tracksExposure = kContinuingWithDemand || facts.tracksExposure;
    const bool continues = kContinuingWithDemand || facts.continues;
    const bool hasPrevious = kContinuingWithDemand || facts.hasPrevious;
    const float* demandRow = facts.demandRow;
    const float* perMinute = base_.VolumePerMinute.data();
    const float* conc = concentration_.data();
    float* exposure = exposure_.data();
    const auto record = [&](std::size_t n) {
        const float c = conc[n];
        const float demand = kContinuingWithDemand || demandRow ? demandRow[n] : 0.0f;
        if (tracksExposure && perMinute[n] > 0)
            exposure[n] = UpdatedExposure(demand, perMinute[n], c, continues ? exposure[n] : 0.0f, hasPrevious);
        RecordDetection(facts, n, result);
    };
    base::ForEachIn(only, first, static_cast<std::size_t>(base_.nNodes) + 1, record);
}

// A step at which no node carries contaminant: nothing is detected or
// consumed, and the exposure sums stay as they are.
void EventSimulation::RecordCleanStep(std::int32_t s) {
    if (settings_.NoZ2) return;
    if (!(s > 0 && lastExposureStep_ == s - 1)) std::fill(exposure_.begin(), exposure_.end(), 0.0f);
    lastExposureStep_ = s;
}

// Whether no source is on and none will be switched on after time t. A
// negative sensitivity detects clean water, so such events run to the end.
bool EventSimulation::SourcesSpent(long t) const {
    return base_.CleanIsFinal && settings_.DetectionSensitivity >= 0.0f && !sourcesOn_ && t >= sourcesEnd_;
}

// The network carries no contaminant at step s and nothing puts any in
// again: every later recorded step of the run would be a clean step.
void EventSimulation::LeaveOutCleanSteps(std::int32_t s, EventResult& result) {
    const std::vector<std::int32_t>& steps = base_.RecordedSteps;
    for (auto later = std::upper_bound(steps.begin(), steps.end(), s); later != steps.end(); ++later) {
        RecordCleanStep(*later);
        lastRecordedStep_ = *later;
        ++result.StepsLeftOut;
    }
}

// Every node that first detects at step s sees the same affected population
// and the same consumed volume.
void EventSimulation::RecordNewDetections(std::int32_t s, EventResult& result) {
    if (!settings_.NoZ2) {
        const float affected = AffectedPopulation(settings_.Model, s - firstInjectionStep_, exposure_,
                                                  base_.VolumePerMinute, base_.Population, &responses_, Exposed());
        for (std::int32_t n : newDetections_) result.Z2[static_cast<std::size_t>(n)] = affected;
    }
    for (std::int32_t n : newDetections_) result.Z3[static_cast<std::size_t>(n)] = consumedVolume_;
    newDetections_.clear();
}

// What the event does when no sensor detects it: the people affected as a
// node first detecting at the last recorded step would count them, and all
// the contaminated water consumed until then.
void EventSimulation::RecordUndetectedImpact(EventResult& result) {
    result.UndetectedVolume = consumedVolume_;
    if (settings_.NoZ2) return;
    result.UndetectedPeople = lastRecordedStep_ < 0 ? 0.0f
                                                    : AffectedPopulation(settings_.Model,
                                                                         lastRecordedStep_ - firstInjectionStep_,
                                                                         exposure_, base_.VolumePerMinute,
                                                                         base_.Population, &responses_, Exposed());
}

}  // namespace builder
