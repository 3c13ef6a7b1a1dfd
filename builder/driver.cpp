#include "builder/driver.h"

#include <charconv>
#include <cmath>
#include <thread>

#include <sched.h>

#include "builder/event_runner.h"
#include "builder/run_parameters.h"

namespace builder {

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

int WorkerCount(const BuildOptions& options) {
    if (options.Reference) return 1;
    if (options.Workers > 0) return options.Workers;
    cpu_set_t cpus;
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0) return std::max(1, CPU_COUNT(&cpus));
    return std::max(1u, std::thread::hardware_concurrency());
}

RunOutcome RunScenarioSimulations(const DriverHost& host) {
    return RunScenarioSimulations(host, SeededUniformSource(ClockSeed()), BuildOptions{});
}

RunOutcome RunScenarioSimulations(const DriverHost& host, const UniformSource& random, const BuildOptions& options) {
    StopRequested = false;
    ValidateBuild();
    GenerateEvents(random);
    if (static_cast<std::size_t>(nEvents) > colPollutionEvents.size())
        throw BuildError("The event set holds fewer events than the build expects");

    MatrixFiles files;
    files.Create(NetworkPath, !NoZ2);
    WriteMatrixRecords(files, true, 0);

    const Baseline baseline = RunBaseline();
    EventRun run{host, options, baseline, CurrentEventSettings(), files};
    RunOutcome outcome = options.Reference ? RunEventsInOrder(run) : RunEventsInParallel(run);
    if (outcome == RunOutcome::Completed) files.CloseAll();
    return outcome;
}

}  // namespace builder
