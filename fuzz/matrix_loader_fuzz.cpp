// Fuzz target for the matrix loader. An input describes a whole matrix set:
//   byte 0: node count (0..7; the nodes are N1, N2, ...); byte 1: read block
//   size (1..64 bytes), so lines straddle block edges; byte 2: which of
//   .z1 .. .z4 exist (bits 0..3); then the texts of .z4, .z1, .z2 and .z3,
//   separated by NUL bytes.
// After every load the matrices must agree on their shape, and the fitness
// of every node must compute without fault.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "evaluator/fitness.h"
#include "matrix/matrix_loading.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::int32_t nNodes = data[0] % 8;
    const std::size_t blockSize = 1 + data[1] % 64;
    const unsigned present = data[2];
    std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);

    std::vector<std::string> ids;
    for (std::int32_t n = 1; n <= nNodes; ++n) ids.push_back("N" + std::to_string(n));
    std::array<matrix::MatrixSource, 5> sources;
    for (int k : {4, 1, 2, 3}) {
        const std::size_t nul = rest.find('\0');
        const std::string_view text = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
        sources[k] = matrix::MemorySource("network.inp.z" + std::to_string(k), text, (present >> (k - 1)) & 1u);
    }

    const matrix::LoadedMatrices loaded = matrix::LoadMatrices(sources, ids, {}, blockSize, std::uint64_t{1} << 30);
    const matrix::MatrixSet& set = loaded.set;
    Require(set.nEvents >= 0 && set.nNodes == nNodes);
    for (int k = 1; k <= 4; ++k) {
        if (!set.Has(k)) continue;
        const auto events = k == 4 ? set.Z4.nEvents() : set.Values(k).nEvents();
        const auto nodes = k == 4 ? set.Z4.nNodes() : set.Values(k).nNodes();
        Require(events == set.nEvents && nodes == nNodes);
    }
    Require(!(set.nEvents == 0 && sources[4].found && !loaded.problem));
    if (loaded.problem) Require(!matrix::DescribeLoadProblem(*loaded.problem, set.nEvents).empty());

    std::vector<std::int32_t> all;
    for (std::int32_t n = 1; n <= nNodes; ++n) all.push_back(n);
    if (!all.empty()) {
        const evaluator::FitnessResult result = evaluator::EvaluateSensorSet(set, all);
        Require(result.nDetected >= 0 && result.nDetected <= set.nEvents);
    }
    return 0;
}
