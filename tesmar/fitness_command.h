// `tesmar fitness`: the objectives of a sensor set, from the matrix files
// beside a network, through the evaluator's fitness library.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "base/json_writer.h"
#include "evaluator/fitness.h"
#include "network/netload.h"
#include "tesmar/set_input.h"

namespace tesmar {

struct FitnessRequest {
    std::string NetworkFile;
    std::vector<std::string> NodeIds;
    bool Json = false;
    bool AcceptPartial = false;  // exit 0, not 3, when the figures rest on fewer events than the set holds
};

// Loads the network and the matrices, evaluates the sensor set and prints
// the result; returns the exit code.
int RunFitnessCommand(const FitnessRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err);

// The listed sensors as the window's selection list would hold them: a
// repeat in the same letter case is listed once, which changes no result.
// Throws InputError for an empty or unknown ID.
std::vector<std::string> SelectSensors(const std::vector<std::string>& ids, const network::Network& net);

// The four result lines as the evaluator window shows them, in the order
// Z1, Z2, Z3, Z4, each ended by a newline, "." as the decimal separator.
std::string ResultLines(const evaluator::FitnessResult& result);

// Why objectives are not available, one line each, for the error stream.
void NoteUnavailable(const evaluator::FitnessResult& result, std::ostream& err);

// The counts and the four objectives as members of the open JSON object
// ("events": .., "Z1": {..}).
void WriteFitnessMembers(base::JsonWriter& json, const evaluator::FitnessResult& result);

// The result as one JSON object (with a final newline), with what the set's
// figures rest on: "partial" and "build_unfinished".
std::string ResultJson(const std::string& networkPath, const std::vector<std::string>& sensors,
                       const evaluator::FitnessResult& result, const SetInput& input);

}  // namespace tesmar
