#include "builder/build_context.h"

#include <span>

namespace builder {

WorkerSetup SetupOf(const BuildContext& build) {
    return WorkerSetup{build.net, build.description.parameters, build.baseline, build.settings,
                       build.description.beforeEvent, build.description.acceptWarnings, build.transport};
}

void EncodeResult(const Event& event, std::int64_t eventNumber, const EventResult& result, bool withZ2,
                  std::vector<matrix::InjectionColumns>& columns, matrix::EncodedEvent& encoded) {
    columns.clear();
    for (const Injection& injection : event.injections) {
        columns.push_back({injection.nodeId, injection.startStep, injection.massRate});
    }
    // The result arrays hold node n at n; the records take nodes 1..nNodes.
    const std::size_t nodes = result.Z1.size() - 1;
    matrix::EventValues values;
    values.detected = std::span(result.DetectedFlag).subspan(1, nodes);
    values.z1 = std::span(result.Z1).subspan(1, nodes);
    values.z2 = std::span(result.Z2).subspan(1, nodes);
    values.z3 = std::span(result.Z3).subspan(1, nodes);
    values.withZ2 = withZ2;
    values.eventNumber = eventNumber;
    values.undetectedPeople = result.UndetectedPeople;
    values.undetectedVolume = result.UndetectedVolume;
    matrix::EncodeEvent(columns, values, encoded);
}

BuildProgress ProgressClock::At(std::int32_t done, std::int32_t total) const {
    BuildProgress progress;
    progress.done = done;
    progress.total = total;
    progress.elapsedSeconds = std::chrono::duration<double>(Clock::now() - start_).count();
    if (done > 0 && progress.elapsedSeconds > 0) {
        progress.eventsPerSecond = done / progress.elapsedSeconds;
        progress.remainingSeconds = (total - done) / progress.eventsPerSecond;
    }
    return progress;
}

}  // namespace builder
