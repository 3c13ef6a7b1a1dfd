// The worker threads of one process. Each owns a toolkit session whose
// hydraulics are solved once, takes the next event from a source,
// simulates it and encodes its records for a sink, until the source gives
// no more. Where the events come from and where the records go is up to
// the build: the writer of this process, or a process that writes them.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "builder/baseline.h"
#include "builder/event_simulation.h"
#include "builder/events.h"
#include "matrix/records.h"
#include "transport/shared_transport.h"

namespace builder {

// One event of the set and its number in it.
struct EventTask {
    std::int32_t index = 0;  // from 1
    Event event;
};

// Where the workers take their events from; called on the worker threads.
class EventSource {
public:
    // Fills task with the next event to simulate, waiting until there is
    // one; false once no more will come.
    virtual bool Take(EventTask& task) = 0;
    // From now on Take gives no more events.
    virtual void Close() = 0;

protected:
    ~EventSource() = default;
};

// Where the workers put what they made; called on the worker threads.
class RecordSink {
public:
    // The records of an event; the sink may swap them for buffers to reuse.
    virtual void Deliver(std::int32_t index, matrix::EncodedEvent& records) = 0;
    // A worker cannot go on: its session could not be set up (index 0) or
    // event index failed. That worker ends; the others keep taking events.
    virtual void Fail(std::int32_t index, std::exception_ptr error) = 0;

protected:
    ~RecordSink() = default;
};

// What every worker reads; it must outlive the pool.
struct WorkerSetup {
    const network::Network& net;
    const RunParameters& parameters;
    const Baseline& baseline;
    EventSettings settings;
    // Called on the worker just before an event starts (see BuildDescription).
    std::function<void(std::int32_t eventIndex)> beforeEvent;
    // The toolkit's warnings about the network's hydraulics were accepted.
    bool acceptWarnings = false;
    // The build's shared transport data when its events run on Tesmar's
    // own engine; none: on the toolkit's solver.
    const transport::SharedTransport* transport = nullptr;
};

class EventPool {
public:
    // Starts the workers at once.
    EventPool(const WorkerSetup& setup, int workers, EventSource& source, RecordSink& sink);
    // Abandons the events running, closes the source and waits for the workers.
    ~EventPool();
    EventPool(const EventPool&) = delete;
    EventPool& operator=(const EventPool&) = delete;

    // The events running end at their next quality step, without records,
    // and no worker takes another one.
    void Abandon() { abandoned_ = true; }
    // Waits until every worker has ended.
    void Join();
    // Whether every worker has ended.
    bool Ended() const { return running_.load() == 0; }
    int Workers() const { return static_cast<int>(threads_.size()); }

private:
    void Work();
    void SimulateTakenEvents(std::int32_t& index);
    template <typename Session>
    void SimulateWith(Session& session, std::int32_t& index);

    const WorkerSetup& setup_;
    EventSource& source_;
    RecordSink& sink_;
    std::atomic<bool> abandoned_{false};
    std::atomic<int> running_{0};
    std::vector<std::thread> threads_;
};

}  // namespace builder
