// A build: the events of a set simulated on a network, one record per event
// written to each matrix file beside the network, in event order.
//
// A build is described by one value, run by one call with the loaded
// network and a host for progress and stop, and ends with an outcome. The
// matrix files always hold the header and whole records of events 1 to k.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "builder/baseline.h"
#include "builder/events.h"
#include "builder/run_parameters.h"
#include "builder/validation.h"
#include "network/netload.h"

namespace builder {

// The water-quality solver that simulates a build's events: Tesmar's own
// transport engine (where it reproduces the toolkit exactly), or the toolkit's.
enum class TransportEngine { Own, Toolkit };

struct BuildDescription {
    RunParameters parameters;
    // The own engine falls back to the toolkit's solver for a network it
    // would not reproduce exactly; the reference procedure always uses the toolkit's.
    TransportEngine engine = TransportEngine::Own;
    // The memory the own engine's shared data may take; 0: what the system has available.
    std::size_t transportMemoryLimit = 0;
    std::string program = "tesmar";  // the program and version the manifest names
    std::uint64_t seed = 0;  // of the event set; the same seed gives the same bytes
    // Worker threads, each with its own toolkit project and hydraulics
    // solved once; 0: every core the process may use.
    int workers = 0;
    // The verification procedure: one thread, the network opened and its
    // hydraulics solved for every event, every step read. Same bytes, slower.
    bool reference = false;
    // Builds a network whose hydraulics the toolkit warns about (negative
    // pressures, say) instead of refusing it; the warnings are recorded.
    bool acceptWarnings = false;
    // Replaces the seeded source of the event set, when given.
    UniformSource random;
    // Called on the thread that simulates an event, just before it starts;
    // lets tests inject a failure into one event.
    std::function<void(std::int32_t eventIndex)> beforeEvent;
};

// Where a build stands: events written of the total, and the pace so far
// (measured from the start of the first event).
struct BuildProgress {
    std::int32_t done = 0;
    std::int32_t total = 0;
    double elapsedSeconds = 0;
    double eventsPerSecond = 0;   // 0 until an event is written
    double remainingSeconds = 0;  // estimated from the pace; 0 until known
};

// What a build learned once it has been checked and its files created.
struct BuildStart {
    std::int32_t events = 0;
    int workers = 0;    // worker threads in all processes
    int processes = 1;  // taking part in the build
    std::vector<std::string> files;
    std::vector<int> warnings;  // toolkit warnings accepted for the build
    std::string engine;  // "own" or "toolkit": the solver the events run on
    // Why the own engine was asked for and the toolkit's solver runs instead; "" otherwise.
    std::string fallbackReason;
};

// What a build needs from its front end; every member may be left empty.
// All are called on the thread that called RunBuild.
struct BuildHost {
    std::function<void(const BuildStart&)> started;
    std::function<void(const BuildProgress&)> progress;
    // Lets pending window events run; called often while the build runs.
    std::function<void()> processEvents;
    // Polled between events; true ends the build after the events running.
    std::function<bool()> stopRequested;
};

enum class BuildStatus {
    Completed,
    Stopped,  // a stop request; the files hold the events finished before it
    Failed,   // could not go on; the files hold whole records of events 1 to k
    Refused,  // bad input, found before any matrix file was touched
};

struct BuildOutcome {
    BuildStatus status = BuildStatus::Failed;
    std::string reason;  // why it failed or was refused
    std::int32_t eventsPlanned = 0;
    std::int32_t eventsWritten = 0;
    std::vector<std::string> files;  // the matrix files, once created
    std::vector<int> warnings;       // toolkit warnings accepted for the build
    int refusedWarning = 0;          // the toolkit warning a refusal is about, if it is about one
    // The run parameter a refusal is about, if it is about one, and what it must be.
    std::optional<Parameter> parameter;
    std::string requirement;
};

// Runs the build of the network (loaded from its path) as described.
BuildOutcome RunBuild(const network::Network& net, const BuildDescription& description, const BuildHost& host = {});

// The same, for a network and parameters the caller validated: the build
// does not check them again.
BuildOutcome RunBuild(const network::Network& net, const BuildDescription& description,
                      const ValidatedBuild& validated, const BuildHost& host);

struct BuildContext;

// Runs the events of a build elsewhere than in this process's worker
// threads alone (the cluster library spreads them over the processes of an
// MPI job), writing them through the context's writer in event order.
// Returns Completed or Stopped, or throws like RunEventsInParallel.
struct EventRunner {
    int processes = 1;  // taking part in the build
    int workers = 1;    // worker threads in all of them
    std::function<BuildStatus(BuildContext& build)> run;
    // Why run stopped early, for people and the manifest ("" or none: not said).
    std::function<std::string()> stopReason;
    // The network's baseline for the parameters, when the runner has it
    // already; RunBuild runs it otherwise.
    const Baseline* baseline = nullptr;
    // The toolkit warnings accepted while that baseline was run.
    std::vector<int> warnings;
    // The checks' outcome for the network and the description's parameters,
    // when the runner has it already; RunBuild runs them otherwise.
    const ValidatedBuild* validated = nullptr;
};

// The same build with the events run by runner.
BuildOutcome RunBuild(const network::Network& net, const BuildDescription& description, const BuildHost& host,
                      const EventRunner& runner);

// Runs the network's baseline for a build whose parameters ValidateBuild
// passed (giving flow), with the checks of what it derived; throws what
// refuses the build (a toolkit warning among them unless the description
// accepts warnings, which are then added to warnings).
Baseline PrepareBaseline(const network::Network& net, const BuildDescription& description, const FlowFactors& flow,
                         std::vector<int>& warnings);

// Number of worker threads a build of the description uses.
int WorkerCount(const BuildDescription& description);

}  // namespace builder
