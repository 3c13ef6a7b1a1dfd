#include "builder/event_pool.h"

#include <stdexcept>

#include "builder/build_context.h"
#include "builder/build_error.h"
#include "builder/own_session.h"
#include "builder/project_session.h"

namespace builder {

namespace {

// Thrown out of an event's quality loop once the pool is abandoned.
struct Abandoned {};

}  // namespace

EventPool::EventPool(const WorkerSetup& setup, int workers, EventSource& source, RecordSink& sink)
    : setup_(setup), source_(source), sink_(sink) {
    running_ = workers;
    threads_.reserve(static_cast<std::size_t>(workers));
    for (int w = 0; w < workers; ++w) threads_.emplace_back([this] { Work(); });
}

EventPool::~EventPool() {
    Abandon();
    source_.Close();
    Join();
}

void EventPool::Join() {
    for (std::thread& thread : threads_)
        if (thread.joinable()) thread.join();
}

void EventPool::SimulateTakenEvents(std::int32_t& index) {
    if (setup_.transport) {
        OwnSession session(*setup_.transport);
        SimulateWith(session, index);
    } else {
        ProjectSession session(setup_.net, setup_.parameters, setup_.acceptWarnings);
        SimulateWith(session, index);
    }
}

template <typename Session>
void EventPool::SimulateWith(Session& session, std::int32_t& index) {
    EventSimulation simulation(setup_.baseline, setup_.settings);
    const std::function<void()> checkAbandoned = [this] {
        if (abandoned_) throw Abandoned{};
    };
    EventTask task;
    EventResult result;
    matrix::EncodedEvent records;
    std::vector<matrix::InjectionColumns> columns;
    while (!abandoned_ && source_.Take(task)) {
        index = task.index;
        if (setup_.beforeEvent) setup_.beforeEvent(index);
        session.BeginEvent();
        try {
            simulation.Run(session, task.event, result, checkAbandoned);
        } catch (const std::domain_error& e) {
            throw BuildError("Event " + std::to_string(index) + ": " + e.what());
        }
        EncodeResult(task.event, index, result, !setup_.settings.NoZ2, columns, records);
        sink_.Deliver(index, records);
        index = 0;
    }
}

void EventPool::Work() {
    std::int32_t index = 0;
    try {
        SimulateTakenEvents(index);
    } catch (const Abandoned&) {
        // The event is dropped; nothing failed.
    } catch (...) {
        sink_.Fail(index, std::current_exception());
    }
    --running_;
}

}  // namespace builder
