#include "tesmar/set_input.h"

#include <filesystem>
#include <ostream>
#include <span>

#include "matrix/file_names.h"
#include "matrix/matrix_store.h"
#include "tesmar/exit_codes.h"
#include "base/user_text.h"
#include "tesmar/network_input.h"

namespace tesmar {

void RequireMatrixFiles(const std::string& path) {
    for (int k : {4, 1, 3}) RequireReadableFile(matrix::MatrixFileName(path, k), "matrix file");
    const std::string z2 = matrix::MatrixFileName(path, 2);
    if (std::filesystem::exists(z2)) RequireReadableFile(z2, "matrix file");
}

namespace {

std::optional<Shortfall> ShortfallOf(const SetInput& input, const matrix::LoadedMatrices& loaded) {
    const std::int32_t used = input.set.nEvents;
    if (used < loaded.records && loaded.problem) {
        std::string why = matrix::DescribeLoadProblem(*loaded.problem, used);
        why.resize(why.find(".\n"));  // its first sentence
        return Shortfall{used, loaded.records, why};
    }
    const auto& m = input.manifest;
    if (m && m->outcome == "completed" && used < m->eventsWritten)
        return Shortfall{used, m->eventsWritten,
                         "its build wrote " + std::to_string(m->eventsWritten) + " events, and its detection file holds " +
                             std::to_string(loaded.records)};
    return std::nullopt;
}

std::optional<std::string> UnfinishedBuild(const SetInput& input) {
    const auto& m = input.manifest;
    if (!m || m->outcome == "completed") return std::nullopt;
    std::string text = m->outcome == "running"
                           ? "The build of this set did not finish (its manifest still says \"running\": it was "
                             "killed, or its machine stopped)"
                           : "The build of this set did not finish (" + m->outcome +
                                 (m->reason.empty() ? "" : ": " + m->reason) + ")";
    return text + "; the figures use " + std::to_string(input.set.nEvents) + " events of the " +
           std::to_string(m->eventsPlanned) + " planned";
}

}  // namespace

std::string PartialText(const Shortfall& partial) {
    return "The set is partial: the figures use " + std::to_string(partial.used) + " of its " +
           std::to_string(partial.held) + " events (" + partial.why + ")";
}

void WriteSetShortfalls(base::JsonWriter& json, const std::optional<Shortfall>& partial,
                        const std::optional<std::string>& unfinished) {
    json.Key("partial");
    if (partial)
        json.BeginObject()
            .Member("events_used", std::to_string(partial->used))
            .Member("events_held", std::to_string(partial->held))
            .Key("why")
            .String(partial->why)
            .EndObject();
    else
        json.Null();
    json.Key("build_unfinished");
    if (unfinished)
        json.String(*unfinished);
    else
        json.Null();
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
    input.partial = ShortfallOf(input, stored.loaded);
    input.unfinished = UnfinishedBuild(input);
    return input;
}

}  // namespace tesmar
