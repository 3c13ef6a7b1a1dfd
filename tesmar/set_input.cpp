#include "tesmar/set_input.h"

#include <filesystem>
#include <ostream>
#include <span>

#include "matrix/file_names.h"
#include "matrix/matrix_store.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"

namespace tesmar {

void RequireMatrixFiles(const std::string& path) {
    for (int k : {4, 1, 3}) RequireReadableFile(matrix::MatrixFileName(path, k), "matrix file");
    const std::string z2 = matrix::MatrixFileName(path, 2);
    if (std::filesystem::exists(z2)) RequireReadableFile(z2, "matrix file");
}

SetInput LoadSetInput(const network::Network& net, const std::string& command, std::ostream& err, bool withSummary) {
    RequireMatrixFiles(net.path);
    const auto ids = std::span(net.NodeID).subspan(1, static_cast<std::size_t>(net.nNodes));
    matrix::StoredSet stored = matrix::LoadMatrixSet({net.path, ids, net.file ? net.file->Sha256() : ""});
    if (stored.refusal) throw InputError(*stored.refusal);
    if (!stored.binaryNote.empty()) err << command << ": note: " << stored.binaryNote << std::endl;
    if (stored.loaded.problem)
        err << command << ": warning: " << matrix::DescribeLoadProblem(*stored.loaded.problem, stored.loaded.set.nEvents)
            << std::endl;
    if (stored.loaded.set.nEvents == 0)
        throw InputError("no events could be loaded from the matrix files of " + net.path);
    SetInput input;
    input.set = std::move(stored.loaded.set);
    try {
        input.manifest = matrix::ReadManifest(net.path);
        if (withSummary) input.summary = matrix::ReadEventSummary(net.path, input.set.nEvents);
    } catch (const std::runtime_error& e) {
        throw InputError(e.what());
    }
    return input;
}

}  // namespace tesmar
