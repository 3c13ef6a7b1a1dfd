// What the event runners of a build share: the network, the parameters, the
// baseline, the event set and the writer. Built by RunBuild once the build
// has been checked, its baseline run and its files created.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "builder/baseline.h"
#include "builder/build.h"
#include "builder/event_pool.h"
#include "builder/event_simulation.h"
#include "matrix/matrix_writer.h"

namespace builder {

struct BuildContext {
    const network::Network& net;
    const BuildDescription& description;
    const BuildHost& host;
    const Baseline& baseline;
    EventSettings settings;
    EventGenerator& events;
    std::int32_t total;
    matrix::MatrixWriter& writer;
    // The shared data of the own transport engine; none: the toolkit's solver.
    const transport::SharedTransport* transport = nullptr;
};

// What the workers of the build read.
WorkerSetup SetupOf(const BuildContext& build);

// Encodes an event's results as the records of the matrix files; columns
// is working room, reused from event to event.
void EncodeResult(const Event& event, std::int64_t eventNumber, const EventResult& result, bool withZ2,
                  std::vector<matrix::InjectionColumns>& columns, matrix::EncodedEvent& encoded);

// Measures the pace of the events from the start of the first one.
class ProgressClock {
public:
    using Clock = std::chrono::steady_clock;
    ProgressClock() : start_(Clock::now()) {}
    BuildProgress At(std::int32_t done, std::int32_t total) const;

private:
    Clock::time_point start_;
};

// Whether the front end asked the build to stop.
inline bool StopRequested(const BuildHost& host) { return host.stopRequested && host.stopRequested(); }

inline void ReportProgress(const BuildHost& host, const BuildProgress& progress) {
    if (host.progress) host.progress(progress);
}

}  // namespace builder
