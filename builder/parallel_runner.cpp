// Events on several worker threads. Each worker owns one toolkit project with
// its hydraulics solved once, claims events in increasing order and leaves
// each result in a slot of a small ring; the calling thread writes the slots
// strictly in event order, shows progress and watches for a stop request.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "builder/event_runner.h"
#include "builder/project_session.h"
#include "builder/run_parameters.h"

namespace builder {

namespace {

using Clock = std::chrono::steady_clock;

struct Slot {
    std::int32_t eventIndex = 0;  // the event whose result is here, 0 when empty
    EventResult result;
};

class ParallelBuild {
public:
    ParallelBuild(const EventRun& run, int workers)
        : run_(run), workers_(std::max(1, std::min(workers, std::max(1, nEvents)))),
          slots_(static_cast<std::size_t>(2 * workers_)) {}

    RunOutcome Run();

private:
    void Worker();
    bool SimulateClaimedEvents(ProjectSession& session, EventSimulation& simulation, EventResult& result);
    bool WaitForFreeSlot(std::int32_t eventIndex);
    void Fail(std::exception_ptr error);
    Slot& SlotOf(std::int32_t eventIndex) { return slots_[static_cast<std::size_t>(eventIndex) % slots_.size()]; }
    bool WriteReadyEvents();
    void ShowProgress(Clock::time_point start);

    const EventRun& run_;
    const int workers_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable ready_;      // a result arrived, or a worker ended
    std::condition_variable slotFreed_;  // the writer emptied a slot
    std::atomic<std::int32_t> nextEvent_{1};
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

bool ParallelBuild::WaitForFreeSlot(std::int32_t eventIndex) {
    std::unique_lock lock(mutex_);
    // The slot is free once the event a ring's length earlier has been written.
    slotFreed_.wait(lock, [&] { return written_ >= eventIndex - static_cast<std::int32_t>(slots_.size()) || error_; });
    return !error_;
}

bool ParallelBuild::SimulateClaimedEvents(ProjectSession& session, EventSimulation& simulation, EventResult& result) {
    while (!noNewEvents_) {
        std::int32_t eventIndex = nextEvent_.fetch_add(1);
        if (eventIndex > nEvents) return true;
        if (!WaitForFreeSlot(eventIndex)) return false;
        if (run_.options.BeforeEvent) run_.options.BeforeEvent(eventIndex);
        session.BeginEvent();
        try {
            simulation.Run(session, PollutionEvent(eventIndex), result);
        } catch (const std::domain_error& e) {
            throw BuildError("Event " + std::to_string(eventIndex) + ": " + e.what());
        }
        std::lock_guard lock(mutex_);
        Slot& slot = SlotOf(eventIndex);
        std::swap(slot.result, result);
        slot.eventIndex = eventIndex;
        ready_.notify_all();
    }
    return true;
}

void ParallelBuild::Worker() {
    try {
        ProjectSession session;
        EventSimulation simulation(run_.baseline, run_.settings);
        EventResult result;
        SimulateClaimedEvents(session, simulation, result);
    } catch (...) {
        Fail(std::current_exception());
    }
    std::lock_guard lock(mutex_);
    --running_;
    ready_.notify_all();
}

// Writes every result that is next in event order; false once all events are written.
bool ParallelBuild::WriteReadyEvents() {
    while (written_ < nEvents) {
        Slot* slot = nullptr;
        {
            std::lock_guard lock(mutex_);
            Slot& next = SlotOf(written_ + 1);
            if (next.eventIndex != written_ + 1) return true;
            slot = &next;
        }
        // The slot's owner is done with it; no worker touches it until written_ moves on.
        WriteEvent(run_.files, slot->result, written_ + 1);
        std::lock_guard lock(mutex_);
        slot->eventIndex = 0;
        ++written_;
        slotFreed_.notify_all();
    }
    return false;
}

void ParallelBuild::ShowProgress(Clock::time_point start) {
    if (!run_.host.SetCaption) return;
    double elapsed = static_cast<double>(std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count());
    float remaining = written_ > 0 ? RemainingMinutes(elapsed, written_, nEvents) : 0.0f;
    run_.host.SetCaption(ProgressCaption(written_, nEvents, remaining));
}

RunOutcome ParallelBuild::Run() {
    const auto start = Clock::now();
    ShowProgress(start);
    std::vector<std::jthread> threads;
    running_ = workers_;
    for (int w = 0; w < workers_; ++w) threads.emplace_back([this] { Worker(); });

    std::int32_t shown = -1;
    bool writerFailed = false;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            ready_.wait_for(lock, std::chrono::milliseconds(50), [&] {
                return SlotOf(written_ + 1).eventIndex == written_ + 1 || running_ == 0;
            });
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
            ShowProgress(start);
            shown = written_;
        }
        if (run_.host.ProcessEvents) run_.host.ProcessEvents();
        if (StopRequested) noNewEvents_ = true;
        std::lock_guard lock(mutex_);
        bool nextReady = SlotOf(written_ + 1).eventIndex == written_ + 1;
        if (!more || (running_ == 0 && (writerFailed || !nextReady))) break;
    }
    threads.clear();  // joins
    if (error_) std::rethrow_exception(error_);
    if (written_ < nEvents) {
        if (run_.host.ShowMessage) run_.host.ShowMessage("Run is stoped");
        return RunOutcome::Stopped;
    }
    return RunOutcome::Completed;
}

}  // namespace

RunOutcome RunEventsInParallel(const EventRun& run) {
    ParallelBuild build(run, WorkerCount(run.options));
    return build.Run();
}

}  // namespace builder
