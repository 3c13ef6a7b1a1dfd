#include "builder/reference_run.h"

#include <stdexcept>

#include "builder/build_error.h"
#include "builder/reference_session.h"

namespace builder {

BuildStatus RunEventsInOrder(BuildContext& build) {
    const BuildHost& host = build.host;
    EventSimulation simulation(build.baseline, build.settings);
    EventResult result;
    Event event;
    matrix::EncodedEvent encoded;
    std::vector<matrix::InjectionColumns> columns;
    const ProgressClock clock;
    for (std::int32_t eventIndex = 1; build.events.Next(event); ++eventIndex) {
        ReportProgress(host, clock.At(eventIndex - 1, build.total));
        if (StopRequested(host)) return BuildStatus::Stopped;
        if (host.processEvents) host.processEvents();
        if (build.description.beforeEvent) build.description.beforeEvent(eventIndex);
        try {
            ReferenceSession session(build.net, build.description.parameters,
                                     build.description.acceptWarnings);
            simulation.Run(session, event, result, host.processEvents);
            session.Close();
        } catch (const std::domain_error& e) {
            throw BuildError("Event " + std::to_string(eventIndex) + ": " + e.what());
        }
        EncodeResult(event, eventIndex, result, !build.settings.NoZ2, columns, encoded);
        build.writer.Append(encoded);
    }
    ReportProgress(host, clock.At(build.writer.EventsWritten(), build.total));
    return BuildStatus::Completed;
}

}  // namespace builder
