#include "tesmar/build_command.h"

#include <ostream>

#include "builder/build.h"
#include "builder/build_error.h"
#include "builder/validation.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/progress.h"
#include "tesmar/stop_signals.h"

namespace tesmar {

namespace {

// Everything that can be refused before a matrix file is touched.
network::Network PrepareBuild(const BuildRequest& request, const std::string& path) {
    ValidateBuildRequest(request);
    network::Network net = OpenNetworkFile(path);
    try {
        builder::ValidateBuild(net, ToRunParameters(request));
    } catch (const builder::BuildError& e) {
        throw InputError(e.what());
    }
    return net;
}

builder::BuildDescription Description(const BuildRequest& request, std::ostream& err) {
    builder::BuildDescription description;
    description.program = std::string("tesmar ") + TESMAR_VERSION;
    description.parameters = ToRunParameters(request);
    description.reference = request.Reference;
    description.acceptWarnings = request.AcceptWarnings;
    description.workers = request.Reference ? 1 : request.Threads.value_or(0);
    if (request.Seed) {
        description.seed = *request.Seed;
    } else {
        description.seed = builder::ClockSeed();
        err << "tesmar: seed " << description.seed << " (repeat this event set with --seed " << description.seed
            << ")" << std::endl;
    }
    return description;
}

builder::BuildHost Host(const StopSignals& signals, ProgressReporter& progress, const BuildRequest& request,
                        const std::string& path, std::ostream& err) {
    builder::BuildHost host;
    host.started = [&err, &request, &path](const builder::BuildStart& start) {
        for (int code : start.warnings)
            err << "tesmar: the toolkit warns about the network (code " << code << ": "
                << network::DefaultToolkit().ErrorText(code) << "); building all the same, as asked" << std::endl;
        err << "tesmar: building " << start.events << " events of " << path << " ("
            << builder::ModeName(request.Mode) << " mode, " << start.workers
            << (request.Reference ? " worker, reference procedure)" : " workers)") << std::endl;
    };
    host.progress = [&progress](const builder::BuildProgress& p) { progress.Update(p); };
    host.processEvents = [&progress] { progress.Tick(); };
    host.stopRequested = [&signals] { return signals.Received(); };
    return host;
}

int Report(const BuildRequest& request, const builder::BuildOutcome& outcome, ProgressReporter& progress,
           std::ostream& out, std::ostream& err) {
    progress.Finish();
    switch (outcome.status) {
        case builder::BuildStatus::Refused:
            err << "tesmar build: "
                << (outcome.parameter ? ParameterMessage(request, *outcome.parameter, outcome.requirement)
                                      : outcome.reason)
                << (outcome.refusedWarning ? " (nothing was written; --accept-warnings builds it all the same)" : "")
                << std::endl;
            return kBadInput;
        case builder::BuildStatus::Failed:
            err << "tesmar build: the build failed after " << outcome.eventsWritten << " events: " << outcome.reason
                << std::endl;
            return kRunFailed;
        case builder::BuildStatus::Stopped:
            err << "tesmar: stopped; " << outcome.eventsWritten << " of " << outcome.eventsPlanned
                << " events written (the matrix files hold whole records of events 1 to " << outcome.eventsWritten
                << ")" << std::endl;
            return kInterrupted;
        case builder::BuildStatus::Completed: break;
    }
    err << "tesmar: done; " << outcome.eventsWritten << " events written" << std::endl;
    for (const std::string& file : outcome.files) out << file << "\n";
    out.flush();
    return kSuccess;
}

}  // namespace

int RunBuildCommand(const BuildRequest& request, std::ostream& out, std::ostream& err, bool liveProgress) {
    StopSignals signals;
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    network::Network net;
    try {
        net = PrepareBuild(request, path);
    } catch (const InputError& e) {
        err << "tesmar build: " << e.what() << std::endl;
        return kBadInput;
    }
    if (signals.Received()) {
        err << "tesmar: stopped before the build started; no matrix file was touched" << std::endl;
        return kInterrupted;
    }
    const builder::BuildDescription description = Description(request, err);
    ProgressReporter progress(err, liveProgress);
    const builder::BuildOutcome outcome =
        builder::RunBuild(net, description, Host(signals, progress, request, path, err));
    return Report(request, outcome, progress, out, err);
}

}  // namespace tesmar
