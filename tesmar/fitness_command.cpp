#include "tesmar/fitness_command.h"

#include <filesystem>
#include <ostream>
#include <span>

#include "evaluator/node_selection.h"
#include "evaluator/result_text.h"
#include "network/user_text.h"
#include "tesmar/exit_codes.h"
#include "tesmar/json_text.h"
#include "tesmar/network_input.h"
#include "tesmar/set_input.h"

namespace tesmar {

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

namespace {

std::string ObjectiveJson(const evaluator::FitnessResult& r, int k) {
    const auto i = static_cast<std::size_t>(k);
    std::string json = network::JsonString("Z" + std::to_string(k));
    json += ": {\"available\": ";
    json += r.zAvailable[i] ? "true" : "false";
    json += ", \"value\": " + (r.zAvailable[i] ? JsonNumber(r.Z[i]) : std::string("null"));
    if (k != 4) json += ", \"sd\": " + (r.zAvailable[i] ? JsonNumber(r.SD[i]) : std::string("null"));
    if (!r.zAvailable[i]) json += ", \"reason\": " + network::JsonString(r.whyNotAvailable[i]);
    return json + "}";
}

}  // namespace

std::string FitnessJsonFields(const evaluator::FitnessResult& r) {
    std::string json = "\"events\": " + std::to_string(r.nEvents) + ", \"detected\": " + std::to_string(r.nDetected);
    for (int k = 1; k <= 4; ++k) json += ", " + ObjectiveJson(r, k);
    return json;
}

std::string ResultLines(const evaluator::FitnessResult& result) {
    std::string lines;
    for (int k = 1; k <= 4; ++k) lines += evaluator::ResultLine(result, k, '.') + "\n";
    return lines;
}

std::string ResultJson(const std::string& networkPath, const std::vector<std::string>& sensors,
                       const evaluator::FitnessResult& r, const SetInput& input) {
    std::string json = "{\"network\": " + network::JsonString(networkPath) + ", \"sensors\": [";
    for (std::size_t i = 0; i < sensors.size(); ++i) json += (i ? ", " : "") + network::JsonString(sensors[i]);
    return json + "], " + FitnessJsonFields(r) + ", \"partial\": " + PartialJson(input.partial) +
           ", \"build_unfinished\": " + (input.unfinished ? network::JsonString(*input.unfinished) : "null") + "}\n";
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
    SetInput input;
    try {
        net = OpenNetworkFile(path);
        sensors = SelectSensors(request.NodeIds, net);
        input = LoadSetInput(net, "tesmar fitness", err);
    } catch (const InputError& e) {
        err << "tesmar fitness: " << e.what() << std::endl;
        return kBadInput;
    }
    const auto result = evaluator::EvaluateSensorSet(input.set, evaluator::SelectedNodeIndexes(sensors, net.colNodes));
    NoteUnavailable(result, err);
    if (input.unfinished) err << "tesmar fitness: note: " << *input.unfinished << std::endl;
    if (request.Json) {
        out << ResultJson(path, sensors, result, input);
    } else {
        out << ResultLines(result);
        if (input.partial) out << PartialText(*input.partial) << "\n";
    }
    out << std::flush;
    return input.partial && !request.AcceptPartial ? kPartialSet : kSuccess;
}

}  // namespace tesmar
