#include "tesmar/build_command.h"

#include <optional>
#include <ostream>

#include "tesmar/build_steps.h"
#include "tesmar/cluster_build.h"
#include "tesmar/cluster_launch.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/stop_signals.h"

namespace tesmar {

int RunBuildCommand(const BuildRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err, bool liveProgress) {
    if (StartedAsClusterProcess()) return RunClusterBuildCommand(request, toolkit, out, err, liveProgress);
    StopSignals signals;
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    std::optional<PreparedBuild> prepared;
    std::string analysis;
    try {
        prepared.emplace(PrepareBuild(request, path, toolkit));
        analysis = AnalysisNote(request, prepared->net);
    } catch (const InputError& e) {
        err << "tesmar build: " << e.what() << std::endl;
        return kBadInput;
    }
    if (signals.Received()) {
        err << "tesmar: stopped before the build started; no matrix file was touched" << std::endl;
        return kInterrupted;
    }
    const builder::BuildDescription description = DescribeBuild(request, err, true);
    ProgressReporter progress(err, liveProgress);
    const builder::BuildHost host =
        ReportingHost([&signals] { return signals.Received(); }, progress, request, path, analysis, toolkit, err);
    return ReportOutcome(request, builder::RunBuild(prepared->net, description, prepared->validated, host), progress,
                         out, err);
}

}  // namespace tesmar
