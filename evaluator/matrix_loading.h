// The matrix loader behind LoadScenarioMatrices, reading from any source of
// text so that tests and the fuzz target can feed it from memory.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "evaluator/fitness.h"
#include "evaluator/line_reader.h"

namespace fitness {

// One matrix file as the loader sees it. `open` gives the function that
// reads its text (throwing std::runtime_error when it cannot be opened);
// `size` is its length in bytes, used for progress and to size the
// detection matrix ahead.
struct MatrixSource {
    bool found = false;
    std::string name;
    std::uint64_t size = 0;
    std::function<ReadBlock()> open;
};

// sources[k] is the ".zk" file, k = 1..4; sources[0] is unused.
std::optional<LoadProblem> LoadMatrices(const std::array<MatrixSource, 5>& sources, std::int32_t nNodes,
                                        std::int32_t& nEvents, const LoadProgress& progress,
                                        std::size_t blockSize = std::size_t{4} << 20);

// A source reading the file at path, or one marked not found.
MatrixSource FileSource(const std::string& path);

}  // namespace fitness
