#include "builder/driver.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <stdexcept>

#include "builder/baseline.h"
#include "builder/event_simulation.h"
#include "builder/matrix_files.h"
#include "builder/reference_session.h"
#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

namespace {

using Clock = std::chrono::steady_clock;

void CallIfSet(const std::function<void()>& f) {
    if (f) f();
}

void Publish(const EventResult& result) {
    DetectedFlag = result.DetectedFlag;
    Z1 = result.Z1;
    Z2 = result.Z2;
    Z3 = result.Z3;
}

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

float RemainingMinutes(double elapsedSeconds, std::int32_t eventIndex, std::int32_t total) {
    auto elapsed = static_cast<float>(elapsedSeconds);
    auto perEvent = static_cast<float>(static_cast<double>(elapsed) / eventIndex);
    auto remaining = static_cast<float>(static_cast<double>(perEvent) * (total - eventIndex) / 60);
    // Shown with at most two decimals, and the caption holds the shown value.
    return static_cast<float>(std::round(static_cast<double>(remaining) * 100) / 100);
}

std::string ProgressCaption(std::int32_t eventIndex, std::int32_t total, float remainingMinutes) {
    char text[64];
    auto end = std::to_chars(text, text + sizeof text, static_cast<double>(remainingMinutes),
                             std::chars_format::fixed, 2).ptr;
    std::string minutes(text, end);
    while (minutes.back() == '0') minutes.pop_back();
    if (minutes.back() == '.') minutes.pop_back();
    if (minutes == "-0") minutes = "0";
    return std::to_string(eventIndex) + "/" + std::to_string(total) + " - " + minutes + " minutes remaining";
}

RunOutcome RunScenarioSimulations(const DriverHost& host) {
    return RunScenarioSimulations(host, SeededUniformSource(ClockSeed()));
}

RunOutcome RunScenarioSimulations(const DriverHost& host, const UniformSource& random, const BuildOptions& options) {
    (void)options;
    StopRequested = false;
    ValidateBuild();
    GenerateEvents(random);
    if (static_cast<std::size_t>(nEvents) > colPollutionEvents.size())
        throw BuildError("The event set holds fewer events than the build expects");

    MatrixFiles files;
    files.Create(NetworkPath, !NoZ2);
    WriteMatrixRecords(files, true, 0);

    const Baseline baseline = RunBaseline();
    EventSimulation simulation(baseline, CurrentEventSettings());
    EventResult result;

    const auto start = Clock::now();
    for (std::int32_t eventIndex = 1; eventIndex <= nEvents; ++eventIndex) {
        if (ProgressAndStopCheck(host, start, eventIndex)) return RunOutcome::Stopped;
        CallIfSet(host.ProcessEvents);
        try {
            ReferenceSession session;
            simulation.Run(session, PollutionEvent(eventIndex), result, host.ProcessEvents);
            session.Close();
        } catch (const std::domain_error& e) {
            throw BuildError("Event " + std::to_string(eventIndex) + ": " + e.what());
        }
        Publish(result);
        WriteMatrixRecords(files, false, eventIndex);
    }
    files.CloseAll();
    return RunOutcome::Completed;
}

}  // namespace builder
