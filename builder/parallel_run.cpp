#include "builder/parallel_run.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "builder/build_error.h"
#include "builder/project_session.h"

namespace builder {

namespace {

struct Slot {
    std::int32_t eventIndex = 0;  // the event whose records are here, 0 when empty
    matrix::EncodedEvent records;
};

class ParallelBuild {
public:
    ParallelBuild(BuildContext& build, int workers)
        : build_(build), workers_(std::max(1, std::min(workers, std::max(1, build.total)))),
          slots_(static_cast<std::size_t>(2 * workers_)) {}

    BuildStatus Run();

private:
    void Worker();
    bool Claim(clsPollutionEvent& event, std::int32_t& eventIndex);
    void SimulateClaimedEvents(ProjectSession& session, EventSimulation& simulation);
    bool WaitForFreeSlot(std::int32_t eventIndex);
    void Fail(std::exception_ptr error);
    Slot& SlotOf(std::int32_t eventIndex) { return slots_[static_cast<std::size_t>(eventIndex) % slots_.size()]; }
    bool NextReady() { return SlotOf(written_ + 1).eventIndex == written_ + 1; }
    bool WriteReadyEvents();

    BuildContext& build_;
    const int workers_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable ready_;      // records arrived, or a worker ended
    std::condition_variable slotFreed_;  // the writer emptied a slot
    std::mutex eventsMutex_;             // the event generator
    std::atomic<bool> noNewEvents_{false};
    std::int32_t written_ = 0;
    int running_ = 0;
    std::exception_ptr error_;
};

void ParallelBuild::Fail(std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = error;
    noNewEvents_ = true;
    slotFreed_.notify_all();
}

bool ParallelBuild::Claim(clsPollutionEvent& event, std::int32_t& eventIndex) {
    std::lock_guard lock(eventsMutex_);
    if (noNewEvents_) return false;
    eventIndex = static_cast<std::int32_t>(build_.events.NextNumber());
    return build_.events.Next(event);
}

bool ParallelBuild::WaitForFreeSlot(std::int32_t eventIndex) {
    std::unique_lock lock(mutex_);
    // The slot is free once the event a ring's length earlier has been written.
    slotFreed_.wait(lock, [&] { return written_ >= eventIndex - static_cast<std::int32_t>(slots_.size()) || error_; });
    return !error_;
}

void ParallelBuild::SimulateClaimedEvents(ProjectSession& session, EventSimulation& simulation) {
    clsPollutionEvent event;
    EventResult result;
    matrix::EncodedEvent records;
    std::vector<matrix::InjectionColumns> columns;
    std::int32_t eventIndex = 0;
    while (Claim(event, eventIndex)) {
        if (!WaitForFreeSlot(eventIndex)) return;
        if (build_.description.beforeEvent) build_.description.beforeEvent(eventIndex);
        session.BeginEvent();
        try {
            simulation.Run(session, event, result);
        } catch (const std::domain_error& e) {
            throw BuildError("Event " + std::to_string(eventIndex) + ": " + e.what());
        }
        EncodeResult(event, eventIndex, result, !build_.settings.NoZ2, columns, records);
        std::lock_guard lock(mutex_);
        Slot& slot = SlotOf(eventIndex);
        std::swap(slot.records, records);
        slot.eventIndex = eventIndex;
        ready_.notify_all();
    }
}

void ParallelBuild::Worker() {
    try {
        ProjectSession session(build_.net, build_.networkFile, build_.description.parameters,
                               build_.description.acceptWarnings);
        EventSimulation simulation(build_.baseline, build_.settings);
        SimulateClaimedEvents(session, simulation);
    } catch (...) {
        Fail(std::current_exception());
    }
    std::lock_guard lock(mutex_);
    --running_;
    ready_.notify_all();
}

// Writes every result that is next in event order; false once all events are written.
bool ParallelBuild::WriteReadyEvents() {
    while (written_ < build_.total) {
        Slot* slot = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (!NextReady()) return true;
            slot = &SlotOf(written_ + 1);
        }
        // The slot's owner is done with it; no worker touches it until written_ moves on.
        build_.writer.Append(slot->records);
        std::lock_guard lock(mutex_);
        slot->eventIndex = 0;
        ++written_;
        slotFreed_.notify_all();
    }
    return false;
}

BuildStatus ParallelBuild::Run() {
    const BuildHost& host = build_.host;
    const ProgressClock clock;
    ReportProgress(host, clock.At(0, build_.total));
    // A stop asked for before the first event is seen before any starts.
    if (host.processEvents) host.processEvents();
    if (StopRequested(host)) return build_.total == 0 ? BuildStatus::Completed : BuildStatus::Stopped;
    std::vector<std::jthread> threads;
    running_ = workers_;
    for (int w = 0; w < workers_; ++w) threads.emplace_back([this] { Worker(); });

    std::int32_t shown = 0;
    bool writerFailed = false;
    bool stopped = false;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            ready_.wait_for(lock, std::chrono::milliseconds(50), [&] { return NextReady() || running_ == 0; });
        }
        bool more = true;
        if (!writerFailed) {
            try {
                more = WriteReadyEvents();
            } catch (...) {
                writerFailed = true;
                Fail(std::current_exception());
            }
        }
        if (written_ != shown) {
            ReportProgress(host, clock.At(written_, build_.total));
            shown = written_;
        }
        if (host.processEvents) host.processEvents();
        if (!stopped && StopRequested(host)) {
            stopped = true;
            std::lock_guard lock(eventsMutex_);
            noNewEvents_ = true;
        }
        std::lock_guard lock(mutex_);
        if (!more || (running_ == 0 && (writerFailed || !NextReady()))) break;
    }
    threads.clear();  // joins
    if (error_) std::rethrow_exception(error_);
    return written_ < build_.total ? BuildStatus::Stopped : BuildStatus::Completed;
}

}  // namespace

BuildStatus RunEventsInParallel(BuildContext& build, int workers) {
    ParallelBuild run(build, workers);
    return run.Run();
}

}  // namespace builder
