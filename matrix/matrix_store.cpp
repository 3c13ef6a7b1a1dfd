#include "matrix/matrix_store.h"

#include "matrix/binary_set.h"
#include "matrix/file_names.h"
#include "matrix/manifest.h"
#include "matrix/set_lock.h"
#include "matrix/summary_check.h"

#include <memory>

namespace matrix {

namespace {

// Why the set does not belong to the network, if it does not.
std::optional<std::string> ManifestRefusal(const SetRequest& request, const std::optional<Manifest>& manifest) {
    if (request.networkSha256.empty()) return std::nullopt;
    if (!manifest || manifest->networkSha256 == request.networkSha256) return std::nullopt;
    return "The matrix set beside " + request.networkPath + " was built from another network: its manifest " +
           ManifestFileName(request.networkPath) + " names a network file with SHA-256 " + manifest->networkSha256 +
           ", but this network file's SHA-256 is " + request.networkSha256;
}

}  // namespace

StoredSet LoadMatrixSet(const SetRequest& request, const LoadProgress& progress) {
    StoredSet stored;
    stored.loaded.set.nNodes = static_cast<std::int32_t>(request.nodeIds.size());
    std::unique_ptr<SetLock> lock;
    try {
        lock = std::make_unique<SetLock>(request.networkPath, SetLock::Kind::Shared);
    } catch (const std::runtime_error& e) {
        stored.refusal = e.what();
        return stored;
    }
    std::optional<Manifest> manifest;
    try {
        manifest = ReadManifest(request.networkPath);
    } catch (const ManifestError& e) {
        if (!request.networkSha256.empty()) {
            stored.refusal = e.what();
            return stored;
        }
    }
    stored.refusal = ManifestRefusal(request, manifest);
    if (!stored.refusal) stored.refusal = SummaryDisagreement(request.networkPath, manifest && manifest->outcome == "completed");
    if (stored.refusal) return stored;
    BinaryLoad binary =
        LoadBinarySet(request.networkPath, request.nodeIds, manifest ? manifest->files : std::vector<FileDigest>{});
    if (binary.set) {
        stored.loaded.set = std::move(*binary.set);
        stored.loaded.records = stored.loaded.set.nEvents;
        stored.fromBinary = true;
        if (progress) progress(1.0);
        return stored;
    }
    if (binary.present) stored.binaryNote = "The binary matrix files are not used (" + binary.whyNot + "); the text files are read instead";
    stored.loaded = LoadMatrixText(request.networkPath, request.nodeIds, progress);
    return stored;
}

}  // namespace matrix
