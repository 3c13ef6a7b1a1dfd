// The objectives of a sensor set, computed in the order Z4, Z1, Z2, Z3.
// Sums and squares are worked in double precision and stored in single
// precision at the steps where the evaluator has always stored them, so
// results match to the last digit shown.
#include <cmath>
#include <stdexcept>

#include "evaluator/fitness.h"

namespace fitness {

namespace {

constexpr float kNoBestYet = 1e17f;
constexpr float kNoValue = -1.0f;
constexpr std::int16_t kDetects = 1;

// Marks the events that at least one selected node detects; returns their count.
std::int32_t MarkDetectedEvents(const std::vector<std::int32_t>& nodes, std::int32_t nEvents,
                                std::vector<bool>& eventDetected) {
    std::int32_t nDetected = 0;
    for (std::int32_t e = 1; e <= nEvents; ++e) {
        const std::int16_t* flags = Z4Matrix.Row(e);
        for (std::int32_t n : nodes) {
            if (flags[n] == kDetects) {
                eventDetected[static_cast<std::size_t>(e)] = true;
                ++nDetected;
                break;
            }
        }
    }
    return nDetected;
}

// Mean and population standard deviation over the detected events of each
// event's smallest value among the selected nodes. With skipNoValue, the
// mark -1 of a node without a value takes no part. False when the result
// does not fit in single precision.
bool BestValueStatistics(const ScenarioMatrix<float>& matrix, const std::vector<std::int32_t>& nodes,
                         const std::vector<bool>& eventDetected, std::int32_t nDetected, bool skipNoValue,
                         std::vector<float>& eventBest, float& z, float& sd) {
    float sum = 0.0f;
    for (std::size_t e = 1; e < eventDetected.size(); ++e) {
        if (!eventDetected[e]) continue;
        const float* values = matrix.Row(static_cast<std::int32_t>(e));
        float m = kNoBestYet;
        for (std::int32_t n : nodes) {
            float v = values[n];
            if (skipNoValue && v == kNoValue) continue;
            if (v < m) m = v;
        }
        eventBest[e] = m;
        sum = sum + m;
    }
    double mean = static_cast<double>(sum) / nDetected;
    for (std::size_t e = 1; e < eventDetected.size(); ++e) {
        if (!eventDetected[e]) continue;
        double deviation = static_cast<double>(eventBest[e]) - mean;
        sd = static_cast<float>(static_cast<double>(sd) + deviation * deviation);
    }
    sd = static_cast<float>(std::sqrt(static_cast<double>(sd) / nDetected));
    z = static_cast<float>(static_cast<double>(sum) / nDetected);
    return std::isfinite(z) && std::isfinite(sd);
}

void CheckNodes(const std::vector<std::int32_t>& nodes) {
    for (std::int32_t n : nodes)
        if (n < 1 || n > Z4Matrix.nNodes())
            throw std::out_of_range("node index " + std::to_string(n) + " is not a node of the matrices");
}

}  // namespace

void EvaluateSensorSet(const std::vector<std::int32_t>& selectedNodes, std::array<float, 5>& Z,
                       std::array<float, 5>& SD, std::int32_t nEvents, std::int32_t& nDetected,
                       std::array<bool, 5>& zAvailable) {
    CheckNodes(selectedNodes);
    if (nEvents < 0 || nEvents > Z4Matrix.nEvents()) throw std::out_of_range("more events asked for than loaded");
    std::vector<bool> eventDetected(static_cast<std::size_t>(nEvents) + 1, false);
    nDetected = MarkDetectedEvents(selectedNodes, nEvents, eventDetected);
    if (nEvents == 0) return;

    Z[4] = static_cast<float>(static_cast<double>(nDetected) / nEvents);
    zAvailable[4] = true;
    if (nDetected == 0) return;

    std::vector<float> eventBest(static_cast<std::size_t>(nEvents) + 1);
    const ScenarioMatrix<float>* matrices[] = {nullptr, &Z1Matrix, &Z2Matrix, &Z3Matrix};
    for (int k = 1; k <= 3; ++k) {
        if (!MatrixFileFound[k]) continue;
        bool skipNoValue = k != 1;
        zAvailable[k] = BestValueStatistics(*matrices[k], selectedNodes, eventDetected, nDetected, skipNoValue,
                                            eventBest, Z[k], SD[k]);
    }
}

FitnessResult CalculateFitness(const std::vector<std::int32_t>& selectedNodes, std::int32_t nEvents) {
    FitnessResult result;
    result.nEvents = nEvents;
    EvaluateSensorSet(selectedNodes, result.Z, result.SD, nEvents, result.nDetected, result.zAvailable);
    return result;
}

}  // namespace fitness
