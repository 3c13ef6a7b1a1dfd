#include "tesmar/cluster_build.h"

#include <cstdlib>
#include <ostream>
#include <sstream>

#include "tesmar/build_steps.h"
#include "tesmar/cluster_launch.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/stop_signals.h"

namespace tesmar {

namespace {

// Open MPI's mpirun kills the processes this many seconds after it passes a
// stop on (1 unless `--mca odls_base_sigkill_timeout N` says otherwise); the
// writing process waits for the others' answers for two fifths of it.
double AnswerSeconds() {
    double killDelay = 1;
    if (const char* seconds = std::getenv("OMPI_MCA_odls_base_sigkill_timeout")) {
        char* end = nullptr;
        const double given = std::strtod(seconds, &end);
        if (end != seconds && *end == '\0' && given > 0 && given < 3600) killDelay = given;
    }
    return 0.4 * killDelay;
}

cluster::StopRequest StopRequestOf(const StopSignals& signals) {
    if (signals.Interrupted()) return cluster::StopRequest::Now;
    return signals.Received() ? cluster::StopRequest::AfterRunning : cluster::StopRequest::None;
}

}  // namespace

int RunClusterBuildCommand(const BuildRequest& request, const network::SharedToolkit& toolkit, std::ostream& out,
                           std::ostream& err, bool liveProgress, const JobAdjustment& adjust) {
    // Blocked before MPI starts its own threads, which inherit the mask.
    StopSignals signals(true);
    if (request.Reference) {
        if (LauncherRank() == 0)
            err << "tesmar build: --reference runs in one process; start it without mpirun" << std::endl;
        return kBadInput;
    }
    std::unique_ptr<cluster::Process> process;
    try {
        process = JoinCluster();
    } catch (const ClusterLoadError& e) {
        err << "tesmar build: " << e.what() << std::endl;
        return kRunFailed;
    }
    const bool writes = process->Rank() == 0;
    std::ostringstream unheard;
    std::ostream& say = writes ? err : unheard;

    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    network::Network net;
    cluster::ProcessJob job;
    std::string analysis;
    try {
        PreparedBuild prepared = PrepareBuild(request, path, toolkit);
        net = std::move(prepared.net);
        if (writes) analysis = AnalysisNote(request, net);
        job.net = &net;
        // The writing process's parameters rule: the others check them on their network again.
        job.validated = prepared.validated;
    } catch (const InputError& e) {
        job.problem = e.what();
    }
    job.description = DescribeBuild(request, say, writes && job.net);
    ProgressReporter progress(say, writes && liveProgress);
    job.host = ReportingHost(nullptr, progress, request, path, analysis, toolkit, say);
    job.toolkit = toolkit;
    job.stop = [&signals] { return StopRequestOf(signals); };
    job.answerSeconds = AnswerSeconds();
    if (adjust) adjust(process->Rank(), job);

    const builder::BuildOutcome outcome = process->Build(job);
    if (writes) return ReportOutcome(request, outcome, progress, out, err);
    if (outcome.status != builder::BuildStatus::Failed) return kSuccess;
    err << "tesmar build (process " << process->Rank() << " on host " << process->Host() << "): " << outcome.reason
        << std::endl;
    return kRunFailed;
}

}  // namespace tesmar
