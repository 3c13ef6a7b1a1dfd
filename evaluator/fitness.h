// Fitness: the evaluator's scenario matrices, their loading from the files
// the builder writes beside a network, and the objectives of a sensor set.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "evaluator/scenario_matrix.h"

namespace fitness {

// The matrices, addressed (node, event): node 1..nNodes, event 1..nEvents.
inline ScenarioMatrix<std::int16_t> Z4Matrix;
inline ScenarioMatrix<float> Z1Matrix;
inline ScenarioMatrix<float> Z2Matrix;
inline ScenarioMatrix<float> Z3Matrix;

// MatrixFileFound[k] tells whether the ".zk" file was there at loading
// (k = 1..4); an objective whose file was missing cannot be computed.
inline std::array<bool, 5> MatrixFileFound{};

// What a load found wrong: the file, the line and the fault. The matrices
// then hold only the events that every file gave whole.
struct LoadProblem {
    std::string file;
    std::int64_t line = 0;
    std::string what;
};

// Called now and then while loading with the share of the matrix text read
// so far (0..1); returning false stops the load, which then keeps no events.
using LoadProgress = std::function<bool(double fraction)>;

// Matrix file k of a network: its path with ".zk" appended.
std::string MatrixFilePath(const std::string& networkPath, int k);

// Reads the ".z4", ".z1", ".z2" and ".z3" files of networkPath for a
// network of nNodes nodes into the four matrices and stores the number of
// events in nEvents. Missing files leave their matrix at zero.
std::optional<LoadProblem> LoadScenarioMatrices(const std::string& networkPath, std::int32_t nNodes,
                                                std::int32_t& nEvents, const LoadProgress& progress = {});

// The message a user reads about a load problem, for the given event count.
std::string DescribeLoadProblem(const LoadProblem& problem, std::int32_t nEvents);

// The objectives of one sensor set. Arrays are indexed 1..4 by objective;
// element 0 is unused. SD[4] stays 0.
struct FitnessResult {
    std::array<float, 5> Z{};
    std::array<float, 5> SD{};
    std::int32_t nDetected = 0;
    std::int32_t nEvents = 0;
    std::array<bool, 5> zAvailable{};
};

// Computes Z4, Z1, Z2 and Z3 of the sensor nodes (indexes 1..nNodes, in
// selection order, repeats allowed) over events 1..nEvents. Z and SD must
// hold zeros and zAvailable false flags on entry. An objective that cannot
// be computed (no events, no detected event, a missing matrix file, a sum
// beyond the single-precision range) keeps its flag clear.
void EvaluateSensorSet(const std::vector<std::int32_t>& selectedNodes, std::array<float, 5>& Z,
                       std::array<float, 5>& SD, std::int32_t nEvents, std::int32_t& nDetected,
                       std::array<bool, 5>& zAvailable);

// EvaluateSensorSet on fresh arrays, collected in one record.
FitnessResult CalculateFitness(const std::vector<std::int32_t>& selectedNodes, std::int32_t nEvents);

}  // namespace fitness
