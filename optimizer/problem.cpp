#include "optimizer/problem.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "base/thread_ranges.h"
#include "optimizer/request_error.h"

namespace optimizer {

namespace {

// Below this many cells per thread a pass runs on one thread.
constexpr std::int64_t kCellsPerThread = 1 << 16;

constexpr std::uint8_t kHitByFixed = 1, kHitByCandidate = 2;

class MatrixReader {
public:
    MatrixReader(const ScenarioData& data, Objective objective) : data_(data), detection_(objective == Objective::Detection) {}

    const std::uint8_t* Flags(std::int32_t e) const { return data_.detected + Offset(e); }
    double Undetected(std::int32_t e) const { return detection_ ? 1.0 : data_.undetectedImpact[static_cast<std::size_t>(e)]; }
    double Impact(std::int32_t e, std::int32_t n) const {
        if (detection_) return 0.0;
        float v = data_.impact[Offset(e) + static_cast<std::size_t>(n)];
        if (!std::isfinite(v))
            throw RequestError("the impact of " + EventName(e) + " at " + NodeName(data_, n) + " is not a finite number");
        return v;
    }

private:
    std::size_t Offset(std::int32_t e) const {
        return static_cast<std::size_t>(e) * static_cast<std::size_t>(data_.nNodes);
    }
    const ScenarioData& data_;
    bool detection_;
};

// Calls visit(n) for every set flag of a row, stepping over eight clear flags at a time.
template <class Visit>
void ForEachFlag(const std::uint8_t* flags, std::int32_t n, Visit&& visit) {
    std::int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, flags + i, sizeof word);
        if (word == 0) continue;
        for (std::int32_t j = i; j < i + 8; ++j)
            if (flags[j]) visit(j);
    }
    for (; i < n; ++i)
        if (flags[i]) visit(i);
}

// What the first pass learns: each event's impact under the fixed sensors,
// who detects it, and how many flagged cells each part meets per column.
struct FirstPass {
    std::vector<double> base;
    std::vector<std::uint8_t> hits;
    std::vector<std::vector<std::int64_t>> counts;  // [part][column]
};

FirstPass CountFlags(const MatrixReader& reader, const ScenarioData& data, const Request& request,
                     const std::vector<std::int32_t>& columnOf, const std::vector<std::int64_t>& eventCuts,
                     std::int32_t columns) {
    FirstPass pass;
    pass.base.resize(static_cast<std::size_t>(data.nEvents));
    pass.hits.resize(static_cast<std::size_t>(data.nEvents));
    pass.counts.assign(eventCuts.size() - 1, std::vector<std::int64_t>(static_cast<std::size_t>(columns), 0));
    base::RunRanges(eventCuts, [&](int part, std::int64_t begin, std::int64_t end) {
        auto& counts = pass.counts[static_cast<std::size_t>(part)];
        for (auto e = static_cast<std::int32_t>(begin); e < end; ++e) {
            const std::uint8_t* flags = reader.Flags(e);
            double base = reader.Undetected(e);
            std::uint8_t hits = 0;
            for (std::int32_t f : request.fixed) {
                if (!flags[f]) continue;
                hits |= kHitByFixed;
                base = std::min(base, reader.Impact(e, f));
            }
            ForEachFlag(flags, data.nNodes, [&](std::int32_t n) {
                std::int32_t c = columnOf[static_cast<std::size_t>(n)];
                if (c < 0) return;
                ++counts[static_cast<std::size_t>(c)];
                hits |= kHitByCandidate;
            });
            pass.base[static_cast<std::size_t>(e)] = base;
            pass.hits[static_cast<std::size_t>(e)] = hits;
        }
    });
    return pass;
}

void ChooseCountedEvents(const FirstPass& pass, bool detectableOnly, Problem& problem, std::vector<std::int32_t>& localOf) {
    localOf.assign(pass.hits.size(), -1);
    for (std::size_t e = 0; e < pass.hits.size(); ++e) {
        std::uint8_t hits = pass.hits[e];
        if (hits == 0) ++problem.undetectable;
        if (detectableOnly && hits == 0) continue;
        localOf[e] = static_cast<std::int32_t>(problem.eventIds.size());
        problem.eventIds.push_back(static_cast<std::int32_t>(e));
        problem.base.push_back(pass.base[e]);
        if (hits & kHitByFixed) ++problem.detectedByFixed;
        if (hits != 0) ++problem.detectable;
    }
    problem.eventCount = static_cast<std::int32_t>(problem.eventIds.size());
    problem.ideal = problem.base;
}

// Start of each part's stretch inside each column, for columns sized by the
// flag counts (an upper limit: cells not below the base are left out).
std::vector<std::vector<std::int64_t>> PartStarts(const FirstPass& pass, std::int32_t columns, std::int64_t& total) {
    std::vector<std::vector<std::int64_t>> starts(pass.counts.size(), std::vector<std::int64_t>(static_cast<std::size_t>(columns)));
    total = 0;
    for (std::size_t c = 0; c < static_cast<std::size_t>(columns); ++c)
        for (std::size_t p = 0; p < pass.counts.size(); ++p) {
            starts[p][c] = total;
            total += pass.counts[p][c];
        }
    return starts;
}

void FillCells(const MatrixReader& reader, const ScenarioData& data, const std::vector<std::int32_t>& columnOf,
               const std::vector<std::int64_t>& eventCuts, const FirstPass& pass, const std::vector<std::int32_t>& localOf,
               std::vector<std::vector<std::int64_t>>& ends, Problem& problem) {
    base::RunRanges(eventCuts, [&](int part, std::int64_t begin, std::int64_t end) {
        auto& next = ends[static_cast<std::size_t>(part)];
        for (auto e = static_cast<std::int32_t>(begin); e < end; ++e) {
            std::int32_t local = localOf[static_cast<std::size_t>(e)];
            if (local < 0) continue;
            double base = pass.base[static_cast<std::size_t>(e)];
            double ideal = base;
            ForEachFlag(reader.Flags(e), data.nNodes, [&](std::int32_t n) {
                std::int32_t c = columnOf[static_cast<std::size_t>(n)];
                if (c < 0) return;
                double v = reader.Impact(e, n);
                ideal = std::min(ideal, v);
                if (v >= base) return;
                std::int64_t at = next[static_cast<std::size_t>(c)]++;
                problem.cellEvent[static_cast<std::size_t>(at)] = local;
                problem.cellImpact[static_cast<std::size_t>(at)] = static_cast<float>(v);
            });
            problem.ideal[static_cast<std::size_t>(local)] = ideal;
        }
    });
}

// Closes the gaps the left-out cells leave, column by column.
void Compact(const std::vector<std::vector<std::int64_t>>& starts, const std::vector<std::vector<std::int64_t>>& ends,
             Problem& problem) {
    std::size_t columns = problem.columnNode.size();
    problem.columnStart.assign(columns + 1, 0);
    std::int64_t out = 0;
    for (std::size_t c = 0; c < columns; ++c) {
        problem.columnStart[c] = out;
        for (std::size_t p = 0; p < starts.size(); ++p) {
            std::int64_t b = starts[p][c], e = ends[p][c];
            if (b != out) {
                std::copy(problem.cellEvent.begin() + b, problem.cellEvent.begin() + e, problem.cellEvent.begin() + out);
                std::copy(problem.cellImpact.begin() + b, problem.cellImpact.begin() + e, problem.cellImpact.begin() + out);
            }
            out += e - b;
        }
    }
    problem.columnStart[columns] = out;
    problem.cellEvent.resize(static_cast<std::size_t>(out));
    problem.cellImpact.resize(static_cast<std::size_t>(out));
}

}  // namespace

std::vector<std::int64_t> Problem::ColumnCuts(int threads) const {
    return base::WeightedCuts(columnStart, threads, kCellsPerThread);
}

Problem BuildProblem(const ScenarioData& data, const Options& options, const Request& request) {
    MatrixReader reader(data, options.objective);
    Problem problem;
    problem.columnNode = request.freeNodes;
    std::vector<std::int32_t> columnOf(static_cast<std::size_t>(data.nNodes), -1);
    for (std::int32_t c = 0; c < problem.columns(); ++c) columnOf[static_cast<std::size_t>(problem.columnNode[static_cast<std::size_t>(c)])] = c;

    std::int64_t matrixCells = static_cast<std::int64_t>(data.nEvents) * data.nNodes;
    int parts = static_cast<int>(std::clamp<std::int64_t>(matrixCells / (16 * kCellsPerThread), 1, request.threads));
    std::vector<std::int64_t> eventCuts = base::EvenCuts(data.nEvents, parts);

    FirstPass pass = CountFlags(reader, data, request, columnOf, eventCuts, problem.columns());
    std::vector<std::int32_t> localOf;
    ChooseCountedEvents(pass, options.detectableOnly, problem, localOf);
    std::int64_t upper = 0;
    std::vector<std::vector<std::int64_t>> starts = PartStarts(pass, problem.columns(), upper);
    pass.counts.clear();
    problem.cellEvent.resize(static_cast<std::size_t>(upper));
    problem.cellImpact.resize(static_cast<std::size_t>(upper));
    std::vector<std::vector<std::int64_t>> ends = starts;
    FillCells(reader, data, columnOf, eventCuts, pass, localOf, ends, problem);
    Compact(starts, ends, problem);
    return problem;
}

}  // namespace optimizer
