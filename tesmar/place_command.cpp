#include "tesmar/place_command.h"

#include <ostream>

#include "base/number_text.h"
#include "tesmar/exit_codes.h"
#include "tesmar/network_input.h"
#include "tesmar/placement.h"
#include "tesmar/stop_signals.h"

namespace tesmar {

namespace {

// A line on stderr for each new stage and sensor count; a stop signal ends
// the run with the best figures reached.
optimizer::ProgressCallback Progress(const StopSignals& signals, std::ostream& err) {
    return [&signals, &err, last = std::pair<int, int>{-1, -1}](const optimizer::Progress& p) mutable {
        const std::pair<int, int> now{static_cast<int>(p.stage), p.sensors};
        if (now != last) {
            last = now;
            err << "tesmar place: " << StageName(p.stage)
                << (p.sensors > 0 ? " " + std::to_string(p.sensors) + " sensors" : std::string()) << ", "
                << base::FixedText(p.elapsedSeconds, 1) << " s" << std::endl;
        }
        return !signals.Received();
    };
}

}  // namespace

int RunPlaceCommand(const PlaceCommandRequest& request, const network::SharedToolkit& toolkit, std::ostream& out, std::ostream& err) {
    StopSignals signals;
    const std::string path = AbsoluteNetworkPath(request.NetworkFile);
    PlacementReport report;
    try {
        const network::Network net = OpenNetworkFile(path, toolkit);
        const SetInput input = LoadSetInput(net, "tesmar place", err, true);
        report = RunPlacement(net, input, request.Place, Progress(signals, err));
        report.stoppedBySignal = report.result.stoppedEarly && signals.Received();
    } catch (const InputError& e) {
        err << "tesmar place: " << e.what() << std::endl;
        return kBadInput;
    }
    out << (request.Json ? PlacementJson(report) : PlacementText(report)) << std::flush;
    if (report.result.stoppedEarly && signals.Received()) return kInterrupted;
    return report.partial && !request.AcceptPartial ? kPartialSet : kSuccess;
}

}  // namespace tesmar
