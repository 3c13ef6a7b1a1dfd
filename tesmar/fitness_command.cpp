#include "tesmar/fitness_command.h"

#include <filesystem>
#include <ostream>
#include <span>

#include "evaluator/node_selection.h"
#include "evaluator/result_text.h"
#include "base/user_text.h"
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
                throw InputError("No such node: '" + base::ShownText(evaluator::TrimmedNodeId(id)) +
                                 "' is not a node of " + net.path);
            case evaluator::AddOutcome::AlreadySelected:
            case evaluator::AddOutcome::Added: break;
        }
    }
    return selected;
}

namespace {

void WriteObjective(base::JsonWriter& json, const evaluator::FitnessResult& r, int k) {
    const auto i = static_cast<std::size_t>(k);
    json.Key("Z" + std::to_string(k)).BeginObject().Key("available").Bool(r.zAvailable[i]);
    json.Member("value", r.zAvailable[i] ? JsonNumber(r.Z[i]) : "null");
    if (k != 4) json.Member("sd", r.zAvailable[i] ? JsonNumber(r.SD[i]) : "null");
    if (!r.zAvailable[i]) json.Key("reason").String(r.whyNotAvailable[i]);
    json.EndObject();
}

}  // namespace

void WriteFitnessMembers(base::JsonWriter& json, const evaluator::FitnessResult& r) {
    json.Member("events", std::to_string(r.nEvents)).Member("detected", std::to_string(r.nDetected));
    for (int k = 1; k <= 4; ++k) WriteObjective(json, r, k);
}

std::string ResultLines(const evaluator::FitnessResult& result) {
    std::string lines;
    for (int k = 1; k <= 4; ++k) lines += evaluator::ResultLine(result, k, '.') + "\n";
    return lines;
}

std::string ResultJson(const std::string& networkPath, const std::vector<std::string>& sensors,
                       const evaluator::FitnessResult& r, const SetInput& input) {
    base::JsonWriter json(base::JsonWriter::Spacing::Spaced);
    json.BeginObject().Key("network").String(networkPath).Key("sensors").BeginArray();
    for (const std::string& sensor : sensors) json.String(sensor);
    json.EndArray();
    WriteFitnessMembers(json, r);
    WriteSetShortfalls(json, input.partial, input.unfinished);
    return json.EndObject().Text() + "\n";
}

void NoteUnavailable(const evaluator::FitnessResult& result, std::ostream& err) {
    for (int k = 1; k <= 4; ++k)
        if (!result.zAvailable[static_cast<std::size_t>(k)])
            err << "tesmar fitness: Z" << k << " is not available: " << result.whyNotAvailable[static_cast<std::size_t>(k)]
                << std::endl;
}

int RunFitnessCommand(const FitnessRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err) {
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    std::vector<std::string> sensors;
    network::Network net;
    SetInput input;
    try {
        net = OpenNetworkFile(path, toolkit);
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
