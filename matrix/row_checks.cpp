#include "matrix/row_checks.h"

#include <algorithm>

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

namespace {

// Whether a value may stand in matrix k; without branches, so that whole rows
// are checked in vector steps.
template <int k>
bool Sound(float v, std::uint8_t flag) {
    if constexpr (k == 1) return (v >= 0) | ((flag == 1) & (v >= kEarliestDetectionMinutes));
    return (v >= 0) | (v == kNoValue);
}

template <int k>
bool RowSound(const float* values, const std::uint8_t* flags, std::size_t nNodes) {
    bool sound = true;
    for (std::size_t n = 0; n < nNodes; ++n) sound &= Sound<k>(values[n], flags[n]);
    return sound;
}

}  // namespace

std::optional<std::string> UnsoundFlag(const std::uint8_t* flags, std::size_t nNodes) {
    std::uint8_t highest = 0;
    for (std::size_t n = 0; n < nNodes; ++n) highest = std::max(highest, flags[n]);
    if (highest <= 1) return std::nullopt;
    const std::size_t n = static_cast<std::size_t>(std::find_if(flags, flags + nNodes, [](std::uint8_t f) { return f > 1; }) - flags);
    return "the detection flag " + std::to_string(flags[n]) + " for node " + std::to_string(n + 1) + " is not 0 or 1";
}

std::optional<std::string> UnsoundValue(int k, const float* values, const std::uint8_t* flags, std::size_t nNodes) {
    if (k == 1 ? RowSound<1>(values, flags, nNodes) : RowSound<2>(values, flags, nNodes)) return std::nullopt;
    for (std::size_t n = 0; n < nNodes; ++n) {
        const float v = values[n];
        if (k == 1 ? Sound<1>(v, flags[n]) : Sound<2>(v, flags[n])) continue;
        return "the value " + std::to_string(v) + " for node " + std::to_string(n + 1) + " is " +
               (k == 1 ? "a negative time that no build gives" : "negative, and not the mark -1 of no value");
    }
    return std::nullopt;
}

}  // namespace matrix
