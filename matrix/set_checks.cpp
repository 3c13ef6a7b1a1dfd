#include "matrix/set_checks.h"

#include <algorithm>
#include <future>
#include <thread>
#include <vector>

#include "base/usable_cores.h"
#include "matrix/row_checks.h"

namespace matrix {

namespace {

// Below this many cells a set is checked on one thread.
constexpr std::size_t kCellsPerThread = std::size_t{1} << 22;

std::optional<UnsoundCell> FirstInEvents(const MatrixSet& set, std::int32_t first, std::int32_t last) {
    const auto nNodes = static_cast<std::size_t>(set.nNodes);
    for (std::int32_t e = first; e <= last; ++e) {
        const std::uint8_t* flags = set.Z4.Row(e);
        if (auto why = UnsoundFlag(flags, nNodes)) return UnsoundCell{4, e, *why};
        for (int k = 1; k <= 3; ++k)
            if (set.Has(k))
                if (auto why = UnsoundValue(k, set.Values(k).Row(e), flags, nNodes)) return UnsoundCell{k, e, *why};
    }
    return std::nullopt;
}

}  // namespace

std::optional<UnsoundCell> FirstUnsoundCell(const MatrixSet& set) {
    if (set.nEvents <= 0 || !set.Z4.Present()) return std::nullopt;
    const std::size_t cells = static_cast<std::size_t>(set.nEvents) * static_cast<std::size_t>(set.nNodes);
    const std::size_t threads = std::clamp<std::size_t>(cells / kCellsPerThread, 1,
                                                        static_cast<std::size_t>(base::UsableCores()));
    if (threads == 1) return FirstInEvents(set, 1, set.nEvents);
    // Each thread takes a run of whole events; the first run's fault is the first fault.
    const auto perThread = static_cast<std::int32_t>((static_cast<std::size_t>(set.nEvents) + threads - 1) / threads);
    std::vector<std::future<std::optional<UnsoundCell>>> parts;
    for (std::int32_t first = 1; first <= set.nEvents; first += perThread)
        parts.push_back(std::async(std::launch::async, FirstInEvents, std::cref(set), first,
                                   std::min(set.nEvents, first + perThread - 1)));
    std::optional<UnsoundCell> found;
    for (auto& part : parts) {
        auto fault = part.get();
        if (!found) found = std::move(fault);
    }
    return found;
}

}  // namespace matrix
