// Loading the matrix set beside a network, the way every reader does: not
// while a build writes it (the set's lock), and only when the build
// manifest names the same network and the event summary belongs with the
// records (summary_check.h); the binary form is used when it is there
// and agrees with the text files, the text files otherwise.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "matrix/matrix_loading.h"

namespace matrix {

struct SetRequest {
    std::string networkPath;
    std::span<const std::string> nodeIds;  // the network's node IDs, in node order
    std::string networkSha256;             // of the network's bytes; "" skips the manifest check
};

struct StoredSet {
    LoadedMatrices loaded;
    bool fromBinary = false;
    std::string binaryNote;        // why a binary form present was not used
    // Nothing is loaded: the set belongs to another network, its event summary
    // to another build, or a build is writing it.
    std::optional<std::string> refusal;
};

StoredSet LoadMatrixSet(const SetRequest& request, const LoadProgress& progress = {});

}  // namespace matrix
