#include "tesmar/fitness_command.h"

#include <filesystem>
#include <ostream>
#include <span>

#include "evaluator/node_selection.h"
#include "evaluator/result_text.h"
#include "matrix/file_names.h"
#include "matrix/matrix_store.h"
#include "tesmar/exit_codes.h"
#include "tesmar/json_text.h"
#include "network/user_text.h"
#include "tesmar/network_input.h"

namespace tesmar {

namespace {

// The listed sensors as the window's selection list would hold them: a
// repeat in the same letter case is listed once, which changes no result.
std::vector<std::string> SelectSensors(const std::vector<std::string>& ids, const network::Network& net) {
    std::vector<std::string> selected;
    for (const std::string& id : ids) {
        switch (evaluator::AddSelectedNode(selected, id, net.colNodes)) {
            case evaluator::AddOutcome::NothingTyped: throw InputError("An empty node ID was given");
            case evaluator::AddOutcome::NoSuchNode:
                throw InputError("No such node: '" + network::ShownText(evaluator::TrimmedNodeId(id)) +
                                 "' is not a node of " + net.path);
            case evaluator::AddOutcome::AlreadySelected:
            case evaluator::AddOutcome::Added: break;
        }
    }
    return selected;
}

// The builder always writes the ".z1", ".z3" and ".z4" files; the ".z2"
// file is missing after a build without the Z2 measure, which then reads
// "Not available".
void RequireMatrixFiles(const std::string& path) {
    for (int k : {4, 1, 3}) RequireReadableFile(matrix::MatrixFileName(path, k), "matrix file");
    const std::string z2 = matrix::MatrixFileName(path, 2);
    if (std::filesystem::exists(z2)) RequireReadableFile(z2, "matrix file");
}

std::string Objective(const evaluator::FitnessResult& r, int k) {
    const auto i = static_cast<std::size_t>(k);
    std::string json = JsonString("Z" + std::to_string(k));
    json += ": {\"available\": ";
    json += r.zAvailable[i] ? "true" : "false";
    json += ", \"value\": " + (r.zAvailable[i] ? JsonNumber(r.Z[i]) : std::string("null"));
    if (k != 4) json += ", \"sd\": " + (r.zAvailable[i] ? JsonNumber(r.SD[i]) : std::string("null"));
    if (!r.zAvailable[i]) json += ", \"reason\": " + JsonString(r.whyNotAvailable[i]);
    return json + "}";
}

}  // namespace

std::string ResultLines(const evaluator::FitnessResult& result) {
    std::string lines;
    for (int k = 1; k <= 4; ++k) lines += evaluator::ResultLine(result, k, '.') + "\n";
    return lines;
}

std::string ResultJson(const std::string& networkPath, const std::vector<std::string>& sensors,
                       const evaluator::FitnessResult& r) {
    std::string json = "{\"network\": " + JsonString(networkPath) + ", \"sensors\": [";
    for (std::size_t i = 0; i < sensors.size(); ++i) json += (i ? ", " : "") + JsonString(sensors[i]);
    json += "], \"events\": " + std::to_string(r.nEvents) + ", \"detected\": " + std::to_string(r.nDetected);
    for (int k = 1; k <= 4; ++k) json += ", " + Objective(r, k);
    return json + "}\n";
}

void NoteUnavailable(const evaluator::FitnessResult& result, std::ostream& err) {
    for (int k = 1; k <= 4; ++k)
        if (!result.zAvailable[static_cast<std::size_t>(k)])
            err << "tesmar fitness: Z" << k << " is not available: " << result.whyNotAvailable[static_cast<std::size_t>(k)]
                << std::endl;
}

int RunFitnessCommand(const FitnessRequest& request, std::ostream& out, std::ostream& err) {
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    std::vector<std::string> sensors;
    network::Network net;
    try {
        net = OpenNetworkFile(path);
        sensors = SelectSensors(request.NodeIds, net);
        RequireMatrixFiles(path);
    } catch (const InputError& e) {
        err << "tesmar fitness: " << e.what() << std::endl;
        return kBadInput;
    }
    const auto ids = std::span(net.NodeID).subspan(1, static_cast<std::size_t>(net.nNodes));
    const matrix::StoredSet stored = matrix::LoadMatrixSet({path, ids, net.file ? net.file->Sha256() : ""});
    if (stored.refusal) {
        err << "tesmar fitness: " << *stored.refusal << std::endl;
        return kBadInput;
    }
    if (!stored.binaryNote.empty()) err << "tesmar fitness: note: " << stored.binaryNote << std::endl;
    const matrix::LoadedMatrices& loaded = stored.loaded;
    if (loaded.problem)
        err << "tesmar fitness: warning: " << matrix::DescribeLoadProblem(*loaded.problem, loaded.set.nEvents) << std::endl;
    if (loaded.set.nEvents == 0) {
        err << "tesmar fitness: no events could be loaded from the matrix files of " << path << std::endl;
        return kBadInput;
    }
    const auto result = evaluator::EvaluateSensorSet(loaded.set, evaluator::SelectedNodeIndexes(sensors, net.colNodes));
    NoteUnavailable(result, err);
    out << (request.Json ? ResultJson(path, sensors, result) : ResultLines(result)) << std::flush;
    return kSuccess;
}

}  // namespace tesmar
