#include "builder/event_runner.h"

#include <stdexcept>

#include "builder/reference_session.h"
#include "builder/run_parameters.h"

namespace builder {

namespace {

using Clock = std::chrono::steady_clock;

// Shows progress and reports whether a stop was requested.
bool ProgressAndStopCheck(const DriverHost& host, Clock::time_point start, std::int32_t eventIndex) {
    auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count();
    if (host.SetCaption)
        host.SetCaption(ProgressCaption(eventIndex, nEvents,
                                        RemainingMinutes(static_cast<double>(elapsed), eventIndex, nEvents)));
    if (StopRequested) {
        if (host.ShowMessage) host.ShowMessage("Run is stoped");
        return true;
    }
    return false;
}

}  // namespace

void WriteEvent(MatrixFiles& files, const EventResult& result, std::int32_t eventIndex) {
    DetectedFlag = result.DetectedFlag;
    Z1 = result.Z1;
    Z2 = result.Z2;
    Z3 = result.Z3;
    WriteMatrixRecords(files, false, eventIndex);
}

RunOutcome RunEventsInOrder(const EventRun& run) {
    EventSimulation simulation(run.baseline, run.settings);
    EventResult result;
    const auto start = Clock::now();
    for (std::int32_t eventIndex = 1; eventIndex <= nEvents; ++eventIndex) {
        if (ProgressAndStopCheck(run.host, start, eventIndex)) return RunOutcome::Stopped;
        if (run.host.ProcessEvents) run.host.ProcessEvents();
        if (run.options.BeforeEvent) run.options.BeforeEvent(eventIndex);
        try {
            ReferenceSession session;
            simulation.Run(session, PollutionEvent(eventIndex), result, run.host.ProcessEvents);
            session.Close();
        } catch (const std::domain_error& e) {
            throw BuildError("Event " + std::to_string(eventIndex) + ": " + e.what());
        }
        WriteEvent(run.files, result, eventIndex);
    }
    return RunOutcome::Completed;
}

}  // namespace builder
