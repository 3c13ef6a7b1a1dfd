// Reads a matrix set from its text files.
//
// The detection file (".z4") alone fixes the number of events; the other
// three give that many rows each, and a missing one is simply absent (a set
// built without Z2 has no ".z2"). Every file's header must name the
// network's nodes in the network's order, and the event columns of event k
// must be the same in every file. A fault in any file keeps only the events
// that every file gave whole and in agreement, so the matrices always hold
// the same events; a header that names other nodes refuses the whole set.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "matrix/matrix_set.h"
#include "matrix/text_source.h"

namespace matrix {

// What a load found wrong: the file, the line (0: the file as a whole) and the fault.
struct LoadProblem {
    std::string file;
    std::int64_t line = 0;
    std::string what;
};

// Called now and then with the share of the matrix text read so far
// (0..1); returning false stops the load, which then keeps no events.
using LoadProgress = std::function<bool(double fraction)>;

struct LoadedMatrices {
    MatrixSet set;
    std::optional<LoadProblem> problem;  // the first fault found, if any
    std::int32_t records = 0;            // event records the detection file holds; set.nEvents may be fewer
};

// sources[k] is the ".zk" file, k = 1..4; sources[0] is unused. nodeIds
// are the network's node IDs in node order. Matrices that would need more
// memory than memoryLimit bytes (0: what the system has available) are
// refused with their size before they are read.
LoadedMatrices LoadMatrices(const std::array<MatrixSource, 5>& sources, std::span<const std::string> nodeIds,
                            const LoadProgress& progress = {}, std::size_t blockSize = std::size_t{4} << 20,
                            std::uint64_t memoryLimit = 0);

// The text files beside the network file at networkPath.
LoadedMatrices LoadMatrixText(const std::string& networkPath, std::span<const std::string> nodeIds,
                              const LoadProgress& progress = {});

// The message a user reads about a load problem, for the events kept.
std::string DescribeLoadProblem(const LoadProblem& problem, std::int32_t nEvents);

}  // namespace matrix
