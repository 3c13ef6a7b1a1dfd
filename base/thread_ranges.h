// Splitting a range over threads and running the parts.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace base {

using PartBody = std::function<void(int part, std::int64_t begin, std::int64_t end)>;

// Runs body over the ranges [cuts[p], cuts[p + 1]), one thread each, the
// caller taking the first. The first exception of any part is rethrown after
// all parts have ended.
void RunRanges(const std::vector<std::int64_t>& cuts, const PartBody& body);

// Cuts [0, count) into `parts` ranges of nearly equal length.
std::vector<std::int64_t> EvenCuts(std::int64_t count, int parts);

// Cuts the items 0..n-1 into at most `parts` ranges of nearly equal weight,
// where item i weighs offsets[i + 1] - offsets[i]. One range when the total
// weight is below minWeightPerPart * 2, since a thread costs more than it saves.
std::vector<std::int64_t> WeightedCuts(const std::vector<std::int64_t>& offsets, int parts,
                                       std::int64_t minWeightPerPart);

}  // namespace base
