#include "tesmar/build_command.h"

#include <ostream>

#include "builder/driver.h"
#include "builder/events.h"
#include "builder/matrix_files.h"
#include "builder/run_parameters.h"
#include "network/netload.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/progress.h"
#include "tesmar/stop_signals.h"

namespace tesmar {

namespace {

// Everything that can be refused before a matrix file is touched.
void PrepareBuild(const BuildRequest& request, const std::string& path) {
    ValidateBuildRequest(request);
    LoadNetwork(path, true);
    ApplyRunParameters(request);
    builder::NetworkPath = path;
    builder::nEvents = ExpectedEventCount(request.Mode, network::nNodes, network::QualStep, request.RepeatCount,
                                          request.RandomEvents);
    try {
        builder::ValidateBuild();
    } catch (const builder::BuildError& e) {
        throw InputError(e.what());
    }
}

builder::BuildOptions Options(const BuildRequest& request) {
    if (request.Reference) return builder::ReferenceProcedure();
    builder::BuildOptions options;
    options.Workers = request.Threads.value_or(0);
    return options;
}

std::uint64_t ChooseSeed(const BuildRequest& request, std::ostream& err) {
    if (request.Seed) return *request.Seed;
    const std::uint64_t seed = builder::ClockSeed();
    err << "tesmar: seed " << seed << " (repeat this event set with --seed " << seed << ")" << std::endl;
    return seed;
}

builder::DriverHost Host(ProgressReporter& progress, bool captionNamesNextEvent, std::ostream& err) {
    builder::DriverHost host;
    host.SetCaption = [&progress, captionNamesNextEvent](const std::string& caption) {
        StopSignals::Forward();
        if (auto done = CaptionEventsDone(caption, captionNamesNextEvent)) progress.Update(*done);
    };
    host.ProcessEvents = [&progress] {
        StopSignals::Forward();
        progress.Tick();
    };
    host.ShowMessage = [&err, &progress](const std::string& message) {
        // The stop is reported with the number of events written, below.
        if (message == "Run is stoped") return;
        progress.Finish();
        err << "tesmar: " << message << std::endl;
    };
    return host;
}

void PrintFiles(const std::string& path, std::ostream& out) {
    for (int k = 1; k <= 4; ++k)
        if (k != 2 || !builder::NoZ2) out << builder::MatrixFileName(path, k) << "\n";
    out.flush();
}

int RunPrepared(const BuildRequest& request, const std::string& path, std::ostream& out, std::ostream& err,
                bool liveProgress) {
    const std::uint64_t seed = ChooseSeed(request, err);
    const builder::BuildOptions options = Options(request);
    err << "tesmar: building " << builder::nEvents << " events of " << path << " ("
        << kModeNames[builder::EventMode] << " mode, " << builder::WorkerCount(options)
        << (request.Reference ? " worker, reference procedure)" : " workers)") << std::endl;

    ProgressReporter progress(err, builder::nEvents, liveProgress);
    builder::RunOutcome outcome;
    try {
        outcome = builder::RunScenarioSimulations(Host(progress, request.Reference, err),
                                                  builder::SeededUniformSource(seed), options);
    } catch (const std::exception& e) {
        progress.Finish();
        err << "tesmar build: the build failed after " << progress.Done() << " events: " << e.what() << std::endl;
        return kRunFailed;
    }
    if (outcome == builder::RunOutcome::Stopped) {
        progress.Finish();
        err << "tesmar: stopped; " << progress.Done() << " of " << builder::nEvents
            << " events written (the matrix files hold whole records of events 1 to " << progress.Done() << ")"
            << std::endl;
        return kInterrupted;
    }
    progress.Update(builder::nEvents);
    progress.Finish();
    err << "tesmar: done; " << builder::nEvents << " events written" << std::endl;
    PrintFiles(path, out);
    return kSuccess;
}

}  // namespace

int RunBuildCommand(const BuildRequest& request, std::ostream& out, std::ostream& err, bool liveProgress) {
    StopSignals signals;
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    try {
        PrepareBuild(request, path);
    } catch (const InputError& e) {
        err << "tesmar build: " << e.what() << std::endl;
        return kBadInput;
    }
    if (StopSignals::Received()) {
        err << "tesmar: stopped before the build started; no matrix file was touched" << std::endl;
        return kInterrupted;
    }
    return RunPrepared(request, path, out, err, liveProgress);
}

}  // namespace tesmar
