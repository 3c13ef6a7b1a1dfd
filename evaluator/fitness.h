// Fitness: the objectives of a sensor set, computed from a matrix set.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "matrix/matrix_set.h"

namespace evaluator {

// The objectives of one sensor set. Arrays are indexed 1..4 by objective;
// element 0 is unused. SD[4] stays 0.
struct FitnessResult {
    std::array<float, 5> Z{};
    std::array<float, 5> SD{};
    std::int32_t nDetected = 0;
    std::int32_t nEvents = 0;
    std::array<bool, 5> zAvailable{};
    // Why an objective is not available ("" when it is).
    std::array<std::string, 5> whyNotAvailable;
};

// Z4, Z1, Z2 and Z3 of the sensor nodes (indexes 1..nNodes, in selection
// order, repeats allowed) over the set's events: Z4 the fraction of events
// detected; Z1 to Z3 the mean and population standard deviation, over the
// detected events, of each event's smallest value among the sensors (for Z2
// and Z3 among those that have one). An objective that cannot be computed
// (no events, no detected event, a matrix missing from the set, a value
// beyond the single-precision range, a detected event no sensor has a value
// for) is not available, with the reason. Throws std::out_of_range for a
// node index outside the set.
FitnessResult EvaluateSensorSet(const matrix::MatrixSet& set, const std::vector<std::int32_t>& selectedNodes);

}  // namespace evaluator
