#include "builder/parallel_run.h"

#include <algorithm>
#include <exception>

#include "builder/event_flow.h"
#include "builder/event_pool.h"

namespace builder {

BuildStatus RunEventsInParallel(BuildContext& build, int workers) {
    const BuildHost& host = build.host;
    const ProgressClock clock;
    ReportProgress(host, clock.At(0, build.total));
    // A stop asked for before the first event is seen before any starts.
    if (host.processEvents) host.processEvents();
    if (StopRequested(host)) return build.total == 0 ? BuildStatus::Completed : BuildStatus::Stopped;

    workers = std::max(1, std::min(workers, std::max(1, build.total)));
    // Room for two events per worker: one running, one written or waiting.
    EventFlow flow(build.events, build.total, 2 * workers);
    const WorkerSetup setup = SetupOf(build);
    EventPool pool(setup, workers, flow, flow);
    std::int32_t shown = 0;
    bool writerFailed = false;
    for (;;) {
        flow.Wait(std::chrono::milliseconds(50));
        if (!writerFailed) {
            try {
                flow.WriteReady(build.writer);
            } catch (...) {
                writerFailed = true;
                flow.Fail(0, std::current_exception());
            }
        }
        const std::int32_t written = flow.Written();
        if (written != shown) {
            ReportProgress(host, clock.At(written, build.total));
            shown = written;
        }
        if (host.processEvents) host.processEvents();
        if (StopRequested(host)) flow.Close();
        if (written == build.total || (pool.Ended() && (writerFailed || !flow.NextReady()))) break;
    }
    pool.Join();
    if (std::exception_ptr error = flow.Error()) std::rethrow_exception(error);
    return flow.Written() < build.total ? BuildStatus::Stopped : BuildStatus::Completed;
}

}  // namespace builder
