// Fuzz target for the matrix loader. An input describes a whole matrix set:
//   byte 0: node count (0..7); byte 1: read block size (1..64 bytes), so
//   lines straddle block edges; byte 2: which of .z1 .. .z4 exist (bits 0..3);
//   then the texts of .z4, .z1, .z2 and .z3, separated by NUL bytes.
// After every load the four matrices must agree on their shape, and the
// fitness of every node must compute without fault.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "evaluator/matrix_loading.h"

namespace {

fitness::MatrixSource MemorySource(std::string_view text, bool found, int k) {
    fitness::MatrixSource source;
    source.found = found;
    source.name = "network.inp.z" + std::to_string(k);
    source.size = text.size();
    source.open = [text]() -> fitness::ReadBlock {
        return [text, offset = std::size_t{0}](char* dest, std::size_t room) mutable {
            std::size_t n = std::min(room, text.size() - offset);
            if (n > 0) std::memcpy(dest, text.data() + offset, n);
            offset += n;
            return n;
        };
    };
    return source;
}

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

    std::array<fitness::MatrixSource, 5> sources;
    const int order[] = {4, 1, 2, 3};
    for (int k : order) {
        std::size_t nul = rest.find('\0');
        std::string_view text = rest.substr(0, nul);
        rest = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
        sources[k] = MemorySource(text, (present >> (k - 1)) & 1u, k);
    }

    std::int32_t nEvents = -1;
    auto problem = fitness::LoadMatrices(sources, nNodes, nEvents, {}, blockSize);
    Require(nEvents >= 0);
    Require(fitness::Z4Matrix.nEvents() == nEvents && fitness::Z1Matrix.nEvents() == nEvents &&
            fitness::Z2Matrix.nEvents() == nEvents && fitness::Z3Matrix.nEvents() == nEvents);
    Require(fitness::Z4Matrix.nNodes() == nNodes && fitness::Z1Matrix.nNodes() == nNodes &&
            fitness::Z2Matrix.nNodes() == nNodes && fitness::Z3Matrix.nNodes() == nNodes);
    Require(!(nEvents == 0 && sources[4].found && !problem));
    if (problem) Require(!fitness::DescribeLoadProblem(*problem, nEvents).empty());

    std::vector<std::int32_t> all;
    for (std::int32_t n = 1; n <= nNodes; ++n) all.push_back(n);
    if (!all.empty()) {
        fitness::FitnessResult result = fitness::CalculateFitness(all, nEvents);
        Require(result.nDetected >= 0 && result.nDetected <= nEvents);
    }
    return 0;
}
