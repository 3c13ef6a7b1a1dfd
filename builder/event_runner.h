// Runs the events of a build after the baseline, and writes their records
// strictly in event order: either one after another in the reference
// procedure, or on several worker threads.
#pragma once

#include <chrono>
#include <cstdint>

#include "builder/baseline.h"
#include "builder/driver.h"
#include "builder/event_simulation.h"
#include "builder/matrix_files.h"

namespace builder {

struct EventRun {
    const DriverHost& host;
    const BuildOptions& options;
    const Baseline& baseline;
    EventSettings settings;
    MatrixFiles& files;
};

// Copies an event's results into the arrays the writer reads and writes its records.
void WriteEvent(MatrixFiles& files, const EventResult& result, std::int32_t eventIndex);

RunOutcome RunEventsInOrder(const EventRun& run);
RunOutcome RunEventsInParallel(const EventRun& run);

}  // namespace builder
