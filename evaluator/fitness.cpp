// The objectives are computed in the order Z4, Z1, Z2, Z3. Sums and squares
// are worked in double precision and stored in single precision at the
// steps where the evaluator has always stored them, so results match to the
// last digit shown.
#include "evaluator/fitness.h"

#include <cmath>
#include <stdexcept>

namespace evaluator {

namespace {

constexpr float kNoBestYet = 1e17f;
constexpr float kNoValue = -1.0f;

// Marks the events that at least one selected node detects; returns their count.
std::int32_t MarkDetectedEvents(const matrix::MatrixSet& set, const std::vector<std::int32_t>& columns,
                                std::vector<bool>& eventDetected) {
    std::int32_t nDetected = 0;
    for (std::int32_t e = 1; e <= set.nEvents; ++e) {
        const std::uint8_t* flags = set.Z4.Row(e);
        for (std::int32_t c : columns) {
            if (matrix::Detects(flags[c])) {
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
// mark -1 of a node without a value takes no part. Returns why the result
// cannot be given, or "" when it can.
std::string BestValueStatistics(const matrix::Matrix<float>& matrix, const std::vector<std::int32_t>& columns,
                                const std::vector<bool>& eventDetected, std::int32_t nDetected, bool skipNoValue,
                                std::vector<float>& eventBest, float& z, float& sd) {
    float sum = 0.0f;
    for (std::size_t e = 1; e < eventDetected.size(); ++e) {
        if (!eventDetected[e]) continue;
        const float* values = matrix.Row(static_cast<std::int32_t>(e));
        float m = kNoBestYet;
        for (std::int32_t c : columns) {
            const float v = values[c];
            if (skipNoValue && v == kNoValue) continue;
            if (v < m) m = v;
        }
        if (m == kNoBestYet)
            return "event " + std::to_string(e) + " is detected, but no selected node has a value for it";
        eventBest[e] = m;
        sum = sum + m;
    }
    const double mean = static_cast<double>(sum) / nDetected;
    for (std::size_t e = 1; e < eventDetected.size(); ++e) {
        if (!eventDetected[e]) continue;
        const double deviation = static_cast<double>(eventBest[e]) - mean;
        sd = static_cast<float>(static_cast<double>(sd) + deviation * deviation);
    }
    sd = static_cast<float>(std::sqrt(static_cast<double>(sd) / nDetected));
    z = static_cast<float>(static_cast<double>(sum) / nDetected);
    if (!std::isfinite(z) || !std::isfinite(sd)) return "the values are beyond the single-precision range";
    return {};
}

// Node indexes 1..nNodes as columns of a row, 0..nNodes-1.
std::vector<std::int32_t> Columns(const matrix::MatrixSet& set, const std::vector<std::int32_t>& nodes) {
    std::vector<std::int32_t> columns;
    columns.reserve(nodes.size());
    for (std::int32_t n : nodes) {
        if (n < 1 || n > set.nNodes)
            throw std::out_of_range("node index " + std::to_string(n) + " is not a node of the matrices");
        columns.push_back(n - 1);
    }
    return columns;
}

}  // namespace

FitnessResult EvaluateSensorSet(const matrix::MatrixSet& set, const std::vector<std::int32_t>& selectedNodes) {
    FitnessResult r;
    const std::vector<std::int32_t> columns = Columns(set, selectedNodes);
    r.nEvents = set.nEvents;
    if (set.nEvents == 0 || !set.Has(4)) {
        for (int k = 1; k <= 4; ++k) r.whyNotAvailable[k] = "no events are loaded";
        return r;
    }
    std::vector<bool> eventDetected(static_cast<std::size_t>(set.nEvents) + 1, false);
    r.nDetected = MarkDetectedEvents(set, columns, eventDetected);
    r.Z[4] = static_cast<float>(static_cast<double>(r.nDetected) / set.nEvents);
    r.zAvailable[4] = true;

    std::vector<float> eventBest(static_cast<std::size_t>(set.nEvents) + 1);
    for (int k = 1; k <= 3; ++k) {
        if (r.nDetected == 0) {
            r.whyNotAvailable[k] = "the selected nodes detect no event";
        } else if (!set.Has(k)) {
            r.whyNotAvailable[k] = "the matrix set has no .z" + std::to_string(k) + " file";
        } else {
            r.whyNotAvailable[k] = BestValueStatistics(set.Values(k), columns, eventDetected, r.nDetected, k != 1,
                                                       eventBest, r.Z[k], r.SD[k]);
        }
        r.zAvailable[k] = r.whyNotAvailable[k].empty();
        if (!r.zAvailable[k]) r.Z[k] = r.SD[k] = 0.0f;
    }
    return r;
}

}  // namespace evaluator
