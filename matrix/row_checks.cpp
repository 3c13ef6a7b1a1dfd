#include "matrix/row_checks.h"

namespace matrix {

namespace {

// A first injection starts within the first simulated day, so no node can
// detect more than a day before it.
constexpr float kEarliestDetectionMinutes = -24 * 60;
constexpr float kNoValue = -1.0f;

}  // namespace

std::uint64_t Fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

std::optional<std::string> UnsoundValue(int k, const float* values, const std::uint8_t* flags, std::size_t nNodes) {
    for (std::size_t n = 0; n < nNodes; ++n) {
        const float v = values[n];
        if (v >= 0) continue;
        const bool sound = k == 1 ? flags[n] == 1 && v >= kEarliestDetectionMinutes : v == kNoValue;
        if (sound) continue;
        return "the value " + std::to_string(v) + " for node " + std::to_string(n + 1) + " is " +
               (k == 1 ? "a negative time that no build gives" : "negative, and not the mark -1 of no value");
    }
    return std::nullopt;
}

}  // namespace matrix
