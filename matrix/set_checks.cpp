#include "matrix/set_checks.h"

#include <algorithm>
#include <vector>

#include "base/thread_ranges.h"
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
    // Each thread takes a run of whole events; the first run's fault is the first fault.
    const std::vector<std::int64_t> cuts = base::EvenCuts(set.nEvents, static_cast<int>(threads));
    std::vector<std::optional<UnsoundCell>> faults(cuts.size() - 1);
    base::RunRanges(cuts, [&](int part, std::int64_t begin, std::int64_t end) {
        faults[static_cast<std::size_t>(part)] =
            FirstInEvents(set, static_cast<std::int32_t>(begin) + 1, static_cast<std::int32_t>(end));
    });
    for (auto& fault : faults)
        if (fault) return fault;
    return std::nullopt;
}

}  // namespace matrix
