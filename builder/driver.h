// The scenario simulation driver: generates the events, writes the matrix
// headers, runs the baseline and then every event, writing one record per
// event to each matrix file.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "builder/events.h"

namespace builder {

// A build that cannot start or cannot go on; the message says why.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the driver needs from the window (or any other front end).
struct DriverHost {
    std::function<void(const std::string&)> SetCaption;   // progress text
    std::function<void()> ProcessEvents;                  // let pending window events run
    std::function<void(const std::string&)> ShowMessage;  // a message the user must see
};

enum class RunOutcome { Completed, Stopped };

// How the events are run. The reference procedure opens the network and
// solves its hydraulics for every event on one thread; otherwise Workers
// threads (0: every core the process may use) each keep one toolkit project
// with its hydraulics solved once. Both write the same bytes.
struct BuildOptions {
    int Workers = 0;
    bool Reference = false;
    // Called on the thread that simulates an event, just before it starts;
    // lets tests inject a failure into one event.
    std::function<void(std::int32_t eventIndex)> BeforeEvent;
};

// The reference procedure: one thread, hydraulics solved for every event.
inline BuildOptions ReferenceProcedure() {
    BuildOptions options;
    options.Workers = 1;
    options.Reference = true;
    return options;
}

// Number of worker threads a build uses for the options.
int WorkerCount(const BuildOptions& options);

// Runs the build from the run parameters. Returns Stopped after a stop
// request (the message "Run is stoped" has been shown). Throws BuildError,
// MatrixFileError or network::ToolkitError when the build cannot go on; the
// matrix files then hold the header and whole records of the finished events.
RunOutcome RunScenarioSimulations(const DriverHost& host);
RunOutcome RunScenarioSimulations(const DriverHost& host, const UniformSource& random,
                                  const BuildOptions& options = ReferenceProcedure());

// Opens a network for a build through NetLoad, reads its flow units into
// FlowTimeFactor and FlowVolumeFactor, and closes the toolkit again; the
// network tables stay loaded. Throws network::ToolkitError when the toolkit
// cannot open the network or report its flow units, network::DuplicateIdError
// for IDs colliding in letter case, and BuildError for unsupported flow units.
void LoadNetworkForBuild(const std::string& path);

// Checks the run parameters and the loaded network before anything is
// written; throws BuildError naming the first problem.
void ValidateBuild();

// The number of events a build of the given mode (0, 1, 2) will simulate for
// a network of nNodes nodes and the given quality step: nodes x 24 in 32-bit
// integers and the rest in double precision for mode 0 (an estimate the event
// generator replaces with the exact count), nodes x repeatCount for mode 1,
// randomEvents for mode 2. Throws BuildError when it does not fit a 32-bit count.
std::int32_t ExpectedEventCount(std::int32_t mode, std::int32_t nNodes, std::int32_t qualStep,
                                std::int32_t repeatCount, std::int32_t randomEvents);

// "k/N - m minutes remaining", m with at most two decimals and "." as separator.
std::string ProgressCaption(std::int32_t eventIndex, std::int32_t nEvents, float remainingMinutes);

// Remaining minutes estimated from the elapsed whole seconds, as the caption shows it.
float RemainingMinutes(double elapsedSeconds, std::int32_t eventIndex, std::int32_t nEvents);

}  // namespace builder
