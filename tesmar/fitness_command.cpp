#include "tesmar/fitness_command.h"

#include <filesystem>
#include <ostream>

#include "evaluator/node_selection.h"
#include "evaluator/result_text.h"
#include "network/netload.h"
#include "tesmar/exit_codes.h"
#include "tesmar/json_text.h"
#include "tesmar/network_input.h"

namespace tesmar {

namespace {

// The listed sensors as the window's selection list would hold them: a
// repeat in the same letter case is listed once, which changes no result.
std::vector<std::string> SelectSensors(const std::vector<std::string>& ids, const std::string& path) {
    std::vector<std::string> selected;
    for (const std::string& id : ids) {
        switch (fitness::AddSelectedNode(selected, id, network::colNodes)) {
            case fitness::AddOutcome::NothingTyped: throw InputError("An empty node ID was given");
            case fitness::AddOutcome::NoSuchNode:
                throw InputError("No such node: '" + fitness::TrimmedNodeId(id) + "' is not a node of " + path);
            case fitness::AddOutcome::AlreadySelected:
            case fitness::AddOutcome::Added: break;
        }
    }
    return selected;
}

// The builder always writes the ".z1", ".z3" and ".z4" files; the ".z2"
// file is missing after a build without the Z2 measure, which then reads
// "Not available".
void RequireMatrixFiles(const std::string& path) {
    for (int k : {4, 1, 3}) RequireReadableFile(fitness::MatrixFilePath(path, k), "matrix file");
    const std::string z2 = fitness::MatrixFilePath(path, 2);
    if (std::filesystem::exists(z2)) RequireReadableFile(z2, "matrix file");
}

std::string Objective(const fitness::FitnessResult& r, int k) {
    const auto i = static_cast<std::size_t>(k);
    std::string name = "Z";
    name += std::to_string(k);
    std::string json = JsonString(name);
    json += ": {\"available\": ";
    json += r.zAvailable[i] ? "true" : "false";
    json += ", \"value\": " + (r.zAvailable[i] ? JsonNumber(r.Z[i]) : std::string("null"));
    if (k != 4) json += ", \"sd\": " + (r.zAvailable[i] ? JsonNumber(r.SD[i]) : std::string("null"));
    return json + "}";
}

}  // namespace

std::string ResultLines(const fitness::FitnessResult& result) {
    std::string lines;
    for (int k = 1; k <= 4; ++k) lines += fitness::ResultLine(result, k, '.') + "\n";
    return lines;
}

std::string ResultJson(const std::string& networkPath, const std::vector<std::string>& sensors,
                       const fitness::FitnessResult& r) {
    std::string json = "{\"network\": " + JsonString(networkPath) + ", \"sensors\": [";
    for (std::size_t i = 0; i < sensors.size(); ++i) json += (i ? ", " : "") + JsonString(sensors[i]);
    json += "], \"events\": " + std::to_string(r.nEvents) + ", \"detected\": " + std::to_string(r.nDetected);
    for (int k = 1; k <= 4; ++k) json += ", " + Objective(r, k);
    return json + "}\n";
}

int RunFitnessCommand(const FitnessRequest& request, std::ostream& out, std::ostream& err) {
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    std::vector<std::string> sensors;
    try {
        LoadNetwork(path, false);
        sensors = SelectSensors(request.NodeIds, path);
        RequireMatrixFiles(path);
    } catch (const InputError& e) {
        err << "tesmar fitness: " << e.what() << std::endl;
        return kBadInput;
    }
    std::int32_t nEvents = 0;
    try {
        if (auto problem = fitness::LoadScenarioMatrices(path, network::nNodes, nEvents))
            err << "tesmar fitness: warning: " << fitness::DescribeLoadProblem(*problem, nEvents) << std::endl;
    } catch (const std::exception& e) {
        err << "tesmar fitness: the matrix files cannot be loaded: " << e.what() << std::endl;
        return kRunFailed;
    }
    const auto result = fitness::CalculateFitness(fitness::SelectedNodeIndexes(sensors, network::colNodes), nEvents);
    out << (request.Json ? ResultJson(path, sensors, result) : ResultLines(result)) << std::flush;
    return kSuccess;
}

}  // namespace tesmar
