#include "builder/build.h"

#include <unistd.h>

#include <chrono>
#include <memory>
#include <optional>
#include <span>

#include "base/host_name.h"
#include "base/usable_cores.h"
#include "builder/build_context.h"
#include "builder/build_error.h"
#include "builder/build_manifest.h"
#include "builder/own_transport.h"
#include "builder/parallel_run.h"
#include "builder/reference_run.h"
#include "builder/validation.h"
#include "matrix/set_lock.h"
#include "network/solving_copy.h"

namespace builder {

namespace {

BuildOutcome Ended(BuildStatus status, std::string reason, BuildOutcome outcome = {}) {
    outcome.status = status;
    outcome.reason = std::move(reason);
    return outcome;
}

std::span<const std::string> NodeIds(const network::Network& net) {
    return std::span(net.NodeID).subspan(1, static_cast<std::size_t>(net.nNodes));
}

}  // namespace

int WorkerCount(const BuildDescription& description) {
    if (description.reference) return 1;
    return description.workers > 0 ? description.workers : base::UsableCores();
}

namespace {

// Why a build cannot go on, as the user needs to read it: a toolkit that
// cannot write its scratch files is most often out of disk space.
std::string Reason(const std::exception& e, const network::Network& net) {
    if (const auto* toolkit = dynamic_cast<const network::ToolkitError*>(&e))
        if (auto full = network::NoSpaceLeft(toolkit->code(), net.scratchFolder)) return *full + " (" + e.what() + ")";
    return e.what();
}

// Who holds a build's lock, for the message a second build gets.
std::string Holder(const BuildDescription& description) {
    return description.program + " (process " + std::to_string(::getpid()) + " on " + base::HostName() +
           ", since " + matrix::UtcNow() + ")";
}

double Seconds(std::chrono::steady_clock::time_point started) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// A build whose lock was taken from it fails: another build may have
// replaced its files. Its manifest says so only while the set's files are
// still its own; a successor's manifest is left alone.
BuildOutcome LostLock(const matrix::SetLock& lock, const matrix::MatrixWriter& writer, BuildOutcome outcome,
                      const network::Network& net, matrix::Manifest& manifest,
                      std::chrono::steady_clock::time_point started) {
    outcome.status = BuildStatus::Failed;
    outcome.reason = lock.LostMessage();
    if (writer.FilesInPlace()) {
        EndManifest(manifest, outcome, Seconds(started));
        try {
            matrix::WriteManifest(net.path, manifest);
        } catch (const std::exception&) {
            // The failure is reported either way.
        }
    }
    return outcome;
}

}  // namespace

Baseline PrepareBaseline(const network::Network& net, const BuildDescription& description, const FlowFactors& flow,
                         std::vector<int>& warnings) {
    const RunParameters& parameters = description.parameters;
    Baseline baseline =
        RunBaseline(net, parameters, flow, description.acceptWarnings ? &warnings : nullptr);
    ValidateBaseline(baseline, parameters);
    return baseline;
}

namespace {

// This process's worker threads.
EventRunner LocalRunner(const BuildDescription& description) {
    EventRunner runner;
    runner.workers = WorkerCount(description);
    runner.run = [&description, workers = runner.workers](BuildContext& build) {
        return description.reference ? RunEventsInOrder(build) : RunEventsInParallel(build, workers);
    };
    return runner;
}

}  // namespace

BuildOutcome RunBuild(const network::Network& net, const BuildDescription& description, const BuildHost& host) {
    return RunBuild(net, description, host, LocalRunner(description));
}

BuildOutcome RunBuild(const network::Network& net, const BuildDescription& description,
                      const ValidatedBuild& validated, const BuildHost& host) {
    EventRunner runner = LocalRunner(description);
    runner.validated = &validated;
    return RunBuild(net, description, host, runner);
}

BuildOutcome RunBuild(const network::Network& net, const BuildDescription& description, const BuildHost& host,
                      const EventRunner& runner) {
    const RunParameters& parameters = description.parameters;
    std::unique_ptr<matrix::SetLock> lock;
    FlowFactors flow;
    Baseline ownBaseline;
    const Baseline* baseline = runner.baseline;
    std::vector<int> warnings = runner.warnings;
    TransportChoice transport;
    try {
        flow = runner.validated ? runner.validated->Flow() : ValidateBuild(net, parameters).Flow();
        matrix::CheckReplaceable(net.path);
        lock = std::make_unique<matrix::SetLock>(net.path, matrix::SetLock::Kind::Exclusive, Holder(description));
        if (!baseline) {
            ownBaseline = PrepareBaseline(net, description, flow, warnings);
            baseline = &ownBaseline;
        }
        transport = ChooseTransport(net, description);
    } catch (const network::ToolkitError& e) {
        BuildOutcome refused = Ended(BuildStatus::Refused, Reason(e, net));
        if (e.code() > 0 && e.code() < 100) refused.refusedWarning = e.code();
        return refused;
    } catch (const ParameterError& e) {
        BuildOutcome refused = Ended(BuildStatus::Refused, e.what());
        refused.parameter = e.parameter;
        refused.requirement = e.requirement;
        return refused;
    } catch (const std::exception& e) {
        return Ended(BuildStatus::Refused, e.what());
    }
    BuildOutcome outcome;
    outcome.warnings = warnings;
    outcome.eventsPlanned = static_cast<std::int32_t>(EventCount(net, parameters));

    const auto started = std::chrono::steady_clock::now();
    matrix::Manifest manifest =
        StartManifest(net, description, runner.processes, runner.workers, outcome.eventsPlanned);
    manifest.warnings = warnings;
    manifest.engine = transport.engine;
    std::optional<matrix::MatrixWriter> writer;
    try {
        writer.emplace(net.path, NodeIds(net), !parameters.NoZ2);
        matrix::WriteManifest(net.path, manifest);
    } catch (const std::exception& e) {
        return Ended(BuildStatus::Failed, e.what(), std::move(outcome));
    }
    outcome.files = writer->FileNames();
    EventGenerator events(net, parameters, description.random ? description.random : SeededUniformSource(description.seed));
    BuildContext build{net, description, host, *baseline, MakeEventSettings(net, parameters, flow),
                       events, outcome.eventsPlanned, *writer, transport.shared.get()};
    if (host.started)
        host.started(BuildStart{outcome.eventsPlanned, runner.workers, runner.processes, outcome.files, warnings,
                                transport.engine, transport.fallbackReason});
    try {
        outcome.status = runner.run(build);
        if (outcome.status == BuildStatus::Stopped && runner.stopReason) outcome.reason = runner.stopReason();
    } catch (const std::exception& e) {
        outcome.status = BuildStatus::Failed;
        outcome.reason = Reason(e, net);
    }
    outcome.eventsWritten = writer->EventsWritten();
    if (!lock->StillHeld()) return LostLock(*lock, *writer, std::move(outcome), net, manifest, started);
    try {
        if (outcome.status == BuildStatus::Completed) writer->Close();
    } catch (const std::exception& e) {
        outcome.status = BuildStatus::Failed;
        outcome.reason = Reason(e, net);
    }
    EndManifest(manifest, outcome, Seconds(started));
    try {
        // The files hold whole records whatever the outcome; readers check their binary form against these.
        manifest.files = matrix::DigestSetFiles(net.path);
    } catch (const std::exception&) {
        // A file that cannot be read back is recorded by no digest; readers then check what needs none.
        manifest.files.clear();
    }
    try {
        matrix::WriteManifest(net.path, manifest);
    } catch (const std::exception& e) {
        if (outcome.status != BuildStatus::Failed) {
            outcome.status = BuildStatus::Failed;
            outcome.reason = e.what();
        }
    }
    return outcome;
}

}  // namespace builder
