#include "builder/build_context.h"

#include <array>
#include <span>

namespace builder {

void EncodeResult(const clsPollutionEvent& event, const EventResult& result, bool withZ2,
                  matrix::EncodedEvent& encoded) {
    std::array<matrix::InjectionColumns, matrix::kDescribedInjections> columns;
    const auto described = static_cast<std::size_t>(
        std::min<std::int32_t>(event.nInjections, matrix::kDescribedInjections));
    for (std::size_t i = 0; i < described; ++i) {
        const clsInjectionEvent& injection = event.colInjectionEvent[i];
        columns[i] = {injection.evNodeID, injection.evTime, injection.evPollutionLevel};
    }
    // The result arrays hold node n at n; the records take nodes 1..nNodes.
    const std::size_t nodes = result.Z1.size() - 1;
    matrix::EventValues values;
    values.detected = std::span(result.DetectedFlag).subspan(1, nodes);
    values.z1 = std::span(result.Z1).subspan(1, nodes);
    values.z2 = std::span(result.Z2).subspan(1, nodes);
    values.z3 = std::span(result.Z3).subspan(1, nodes);
    values.withZ2 = withZ2;
    matrix::EncodeEvent(std::span(columns).first(described), values, encoded);
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
