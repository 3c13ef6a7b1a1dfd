#include "base/thread_ranges.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>

namespace base {

void RunRanges(const std::vector<std::int64_t>& cuts, const PartBody& body) {
    int parts = static_cast<int>(cuts.size()) - 1;
    if (parts <= 0) return;
    if (parts == 1) {
        body(0, cuts[0], cuts[1]);
        return;
    }
    std::exception_ptr failure;
    std::mutex failureLock;
    auto guarded = [&](int part) {
        try {
            body(part, cuts[part], cuts[part + 1]);
        } catch (...) {
            std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(parts - 1));
    for (int p = 1; p < parts; ++p) workers.emplace_back(guarded, p);
    guarded(0);
    for (auto& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
}

std::vector<std::int64_t> EvenCuts(std::int64_t count, int parts) {
    parts = static_cast<int>(std::clamp<std::int64_t>(parts, 1, std::max<std::int64_t>(count, 1)));
    std::vector<std::int64_t> cuts(static_cast<std::size_t>(parts) + 1);
    for (int p = 0; p <= parts; ++p) cuts[static_cast<std::size_t>(p)] = count * p / parts;
    return cuts;
}

std::vector<std::int64_t> WeightedCuts(const std::vector<std::int64_t>& offsets, int parts,
                                       std::int64_t minWeightPerPart) {
    auto n = static_cast<std::int64_t>(offsets.size()) - 1;
    std::int64_t total = offsets.back() - offsets.front();
    std::int64_t worthwhile = total / std::max<std::int64_t>(minWeightPerPart, 1);
    parts = static_cast<int>(std::max<std::int64_t>(std::min<std::int64_t>({parts, worthwhile, n}), 1));
    std::vector<std::int64_t> cuts{0};
    for (int p = 1; p < parts; ++p) {
        std::int64_t target = offsets.front() + total * p / parts;
        auto it = std::lower_bound(offsets.begin(), offsets.end(), target);
        cuts.push_back(std::max(cuts.back(), static_cast<std::int64_t>(it - offsets.begin())));
    }
    cuts.push_back(n);
    return cuts;
}

}  // namespace base
