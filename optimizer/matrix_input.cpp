#include "optimizer/matrix_input.h"

#include <algorithm>

#include "optimizer/request_error.h"

namespace optimizer {

namespace {

// The minutes to detection a build writes for a node that never detects:
// 120 x the simulated hours. From the manifest, else read off a node that
// does not detect, else beyond every detection time.
double NoDetectionMinutes(const matrix::MatrixSet& set, const std::optional<matrix::Manifest>& manifest) {
    if (manifest && manifest->parameters.maxHours > 0) return 120.0 * manifest->parameters.maxHours;
    const std::size_t cells = static_cast<std::size_t>(set.nEvents) * static_cast<std::size_t>(set.nNodes);
    float latest = 0;
    for (std::size_t i = 0; i < cells; ++i) {
        if (!matrix::Detects(set.Z4.Cells()[i])) return set.Z1.Cells()[i];
        latest = std::max(latest, set.Z1.Cells()[i]);
    }
    return latest + 1.0;
}

const char* kHowToGetSummary =
    "; build the set again with this version of tesmar (tesmar build), which writes each event's impact when no "
    "sensor detects it to NETWORK.inp.events.csv";

}  // namespace

const char* MeasureName(Measure measure) {
    switch (measure) {
        case Measure::TimeToDetection: return "z1";
        case Measure::PeopleAffected: return "z2";
        case Measure::VolumeConsumed: return "z3";
        case Measure::Detection: return "detect";
    }
    return "";
}

std::string MeasureDescription(Measure measure) {
    switch (measure) {
        case Measure::TimeToDetection: return "minutes to detection (Z1)";
        case Measure::PeopleAffected: return "people affected (Z2)";
        case Measure::VolumeConsumed: return "contaminated volume consumed (Z3)";
        case Measure::Detection: return "events missed";
    }
    return "";
}

MatrixInput FromMatrixSet(const matrix::MatrixSet& set, Measure measure,
                          const std::optional<matrix::EventSummary>& summary,
                          const std::optional<matrix::Manifest>& manifest) {
    MatrixInput input;
    input.data.nEvents = set.nEvents;
    input.data.nNodes = set.nNodes;
    input.data.detected = set.Z4.Cells();
    if (measure == Measure::Detection) {
        input.objective = Objective::Detection;
        return input;
    }
    const int k = measure == Measure::TimeToDetection ? 1 : measure == Measure::PeopleAffected ? 2 : 3;
    if (!set.Has(k))
        throw RequestError("The matrix set has no .z" + std::to_string(k) + " matrix" +
                           (k == 2 ? " (it was built without Z2)" : ""));
    input.data.impact = set.Values(k).Cells();
    if (k == 1) {
        input.data.undetectedImpact.assign(static_cast<std::size_t>(set.nEvents), NoDetectionMinutes(set, manifest));
        return input;
    }
    if (!summary)
        throw RequestError(std::string("The matrix set has no event summary with the impact of events no sensor "
                                       "detects, which ") + MeasureDescription(measure) + " needs" + kHowToGetSummary);
    if (k == 2 && !summary->hasPeople)
        throw RequestError("The event summary holds no people affected (the set was built without Z2)");
    input.data.undetectedImpact = k == 2 ? summary->undetectedPeople : summary->undetectedVolume;
    return input;
}

}  // namespace optimizer
