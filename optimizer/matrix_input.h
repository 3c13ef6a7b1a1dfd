// The scenario data of a loaded matrix set, for one of its measures.
#pragma once

#include <optional>
#include <string>

#include "matrix/event_summary.h"
#include "matrix/manifest.h"
#include "matrix/matrix_set.h"
#include "optimizer/options.h"
#include "optimizer/scenario_data.h"

namespace optimizer {

enum class Measure {
    TimeToDetection,  // Z1: a missed event counts the set's no-detection time
    PeopleAffected,   // Z2: a missed event counts its people affected by the end
    VolumeConsumed,   // Z3: a missed event counts its volume consumed by the end
    Detection,        // the number of events missed
};

// "z1", "z2", "z3", "detect", and the measure's name for people.
const char* MeasureName(Measure measure);
std::string MeasureDescription(Measure measure);

struct MatrixInput {
    ScenarioData data;
    Objective objective = Objective::Impact;
};

// Views of the set's cells (the set must outlive the input) with each
// event's undetected impact: for Z1 the no-detection time of the build (from
// the manifest, else from the matrices), for Z2 and Z3 the event summary's.
// Throws RequestError when the set lacks what the measure needs, saying how
// to get it.
MatrixInput FromMatrixSet(const matrix::MatrixSet& set, Measure measure,
                          const std::optional<matrix::EventSummary>& summary,
                          const std::optional<matrix::Manifest>& manifest);

}  // namespace optimizer
