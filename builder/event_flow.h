// The events of a build on their way from the event set to the matrix
// files. Events are handed out in event order, never further than a
// window's length ahead of the last event written; records that arrive
// early wait in the window until it is their turn. Workers of this process
// take events one at a time; workers elsewhere take several at once, and
// their records come back the same way.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

#include "builder/event_pool.h"
#include "matrix/matrix_writer.h"

namespace builder {

class EventFlow final : public EventSource, public RecordSink {
public:
    // events must hold total events; window is at least 1.
    EventFlow(EventGenerator& events, std::int32_t total, std::int32_t window);

    // Waits until the next event fits the window.
    bool Take(EventTask& task) override;
    void Close() override;
    // Appends to tasks up to `most` events that fit the window now; never
    // waits. Returns how many.
    std::int32_t TakeSome(std::int32_t most, std::vector<EventTask>& tasks);

    void Deliver(std::int32_t index, matrix::EncodedEvent& records) override;
    // Keeps the first failure and hands out no more events.
    void Fail(std::int32_t index, std::exception_ptr error) override;

    // The writer's side, used by one thread. Writes the records that are
    // next in event order; returns how many events it wrote.
    std::int32_t WriteReady(matrix::MatrixWriter& writer);
    // Waits up to timeout until the next event's records are here.
    void Wait(std::chrono::microseconds timeout);
    // Whether the next event's records are here.
    bool NextReady() const;

    std::int32_t Written() const;
    std::int32_t Total() const { return total_; }
    // Whether every event of the set has been handed out.
    bool AllHandedOut() const;
    // Events not handed out yet.
    std::int32_t Left() const;
    std::exception_ptr Error() const;

private:
    struct Slot {
        std::int32_t index = 0;  // the event whose records are here; 0 when empty
        matrix::EncodedEvent records;
    };

    Slot& SlotOf(std::int32_t index) { return slots_[static_cast<std::size_t>(index - 1) % slots_.size()]; }
    const Slot& SlotOf(std::int32_t index) const {
        return slots_[static_cast<std::size_t>(index - 1) % slots_.size()];
    }
    bool NextReadyLocked() const { return written_ < total_ && SlotOf(written_ + 1).index == written_ + 1; }
    bool FitsLocked(std::int32_t index) const { return index <= written_ + static_cast<std::int32_t>(slots_.size()); }
    bool HandOutLocked(EventTask& task);

    EventGenerator& events_;
    const std::int32_t total_;
    std::vector<Slot> slots_;
    mutable std::mutex mutex_;
    std::condition_variable roomFreed_;  // the writer emptied a slot, or no more events
    std::condition_variable arrived_;    // records arrived, or a failure
    std::int32_t handedOut_ = 0;
    std::int32_t written_ = 0;
    bool closed_ = false;
    std::exception_ptr error_;
};

}  // namespace builder
