#include "tesmar/build_steps.h"

#include <ostream>

#include "builder/build_error.h"
#include "builder/study_analysis.h"
#include "builder/validation.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"

namespace tesmar {

PreparedBuild PrepareBuild(const BuildRequest& request, const std::string& path, const network::SharedToolkit& toolkit) {
    // The run parameters are checked with the options, before the network is read.
    ValidateBuildRequest(request);
    network::Network net = OpenNetworkFile(path, toolkit);
    try {
        builder::ValidatedBuild validated = builder::ValidateNetworkFor(net, ToRunParameters(request));
        return {std::move(net), validated};
    } catch (const builder::AnalysisError& e) {
        throw InputError(std::string(e.what()) + "; use --chemical to study a chemical anyway");
    } catch (const builder::BuildError& e) {
        throw InputError(e.what());
    }
}

builder::BuildDescription DescribeBuild(const BuildRequest& request, std::ostream& err, bool announceSeed) {
    builder::BuildDescription description;
    description.program = std::string("tesmar ") + TESMAR_VERSION;
    description.parameters = ToRunParameters(request);
    description.reference = request.Reference;
    description.engine =
        request.Engine == "toolkit" ? builder::TransportEngine::Toolkit : builder::TransportEngine::Own;
    description.acceptWarnings = request.AcceptWarnings;
    description.workers = request.Reference ? 1 : request.Threads.value_or(0);
    if (request.Seed) {
        description.seed = *request.Seed;
    } else {
        description.seed = builder::ClockSeed();
        if (announceSeed)
            err << "tesmar: seed " << description.seed << " (repeat this event set with --seed " << description.seed
                << ")" << std::endl;
    }
    return description;
}

std::string AnalysisNote(const BuildRequest& request, const network::Network& net) {
    if (!request.On(builder::Switch::Chemical)) return "";
    try {
        return builder::ChemicalReacts(net)
                   ? "; a chemical in mg/L (--chemical) that decays by the network's reaction coefficients"
                   : "; a chemical in mg/L (--chemical) that does not decay: the network sets no reaction coefficient";
    } catch (const std::exception& e) {
        throw InputError(e.what());
    }
}

builder::BuildHost ReportingHost(std::function<bool()> stopRequested, ProgressReporter& progress,
                                 const BuildRequest& request, const std::string& path, std::string analysis,
                                 const network::SharedToolkit& toolkit,
                                 std::ostream& err) {
    builder::BuildHost host;
    host.started = [&err, &request, &path, toolkit, analysis = std::move(analysis)](const builder::BuildStart& start) {
        for (int code : start.warnings)
            err << "tesmar: the toolkit warns about the network (code " << code << ": "
                << toolkit->ErrorText(code) << "); building all the same, as asked" << std::endl;
        err << "tesmar: building " << start.events << " events of " << path << " ("
            << builder::ModeName(request.Mode) << " mode, ";
        if (start.processes > 1) err << start.processes << " processes, ";
        err << start.workers << (request.Reference ? " worker, reference procedure" : " workers") << ", "
            << (start.engine == "own" ? "own transport engine" : "toolkit's quality solver");
        if (!start.fallbackReason.empty())
            err << ": the own engine does not reproduce it exactly (" << start.fallbackReason << ")";
        err << analysis << ")" << std::endl;
    };
    host.progress = [&progress](const builder::BuildProgress& p) { progress.Update(p); };
    host.processEvents = [&progress] { progress.Tick(); };
    host.stopRequested = std::move(stopRequested);
    return host;
}

int ReportOutcome(const BuildRequest& request, const builder::BuildOutcome& outcome, ProgressReporter& progress,
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
            if (outcome.files.empty()) {
                err << "tesmar: stopped before the build started; no matrix file was touched" << std::endl;
                return kInterrupted;
            }
            err << "tesmar: stopped" << (outcome.reason.empty() ? "" : " (" + outcome.reason + ")") << "; "
                << outcome.eventsWritten << " of " << outcome.eventsPlanned
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

}  // namespace tesmar
