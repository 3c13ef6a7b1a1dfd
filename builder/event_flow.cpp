#include "builder/event_flow.h"

#include <algorithm>
#include <string>

#include "builder/build_error.h"

namespace builder {

EventFlow::EventFlow(EventGenerator& events, std::int32_t total, std::int32_t window)
    : events_(events), total_(total), slots_(static_cast<std::size_t>(std::max(1, window))) {}

bool EventFlow::HandOutLocked(EventTask& task) {
    if (closed_ || handedOut_ >= total_ || !FitsLocked(handedOut_ + 1)) return false;
    task.index = static_cast<std::int32_t>(events_.NextNumber());
    if (!events_.Next(task.event)) {
        handedOut_ = total_;
        return false;
    }
    handedOut_ = task.index;
    return true;
}

bool EventFlow::Take(EventTask& task) {
    std::unique_lock lock(mutex_);
    roomFreed_.wait(lock, [&] { return closed_ || handedOut_ >= total_ || FitsLocked(handedOut_ + 1); });
    return HandOutLocked(task);
}

std::int32_t EventFlow::TakeSome(std::int32_t most, std::vector<EventTask>& tasks) {
    std::lock_guard lock(mutex_);
    std::int32_t taken = 0;
    for (; taken < most; ++taken) {
        tasks.emplace_back();
        if (!HandOutLocked(tasks.back())) {
            tasks.pop_back();
            break;
        }
    }
    return taken;
}

void EventFlow::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    roomFreed_.notify_all();
}

void EventFlow::Deliver(std::int32_t index, matrix::EncodedEvent& records) {
    std::lock_guard lock(mutex_);
    // Records come only for events handed out and not yet written, once each.
    if (index <= written_ || index > handedOut_ || SlotOf(index).index == index)
        throw BuildError("Records of event " + std::to_string(index) + " came unasked");
    Slot& slot = SlotOf(index);
    std::swap(slot.records, records);
    slot.index = index;
    arrived_.notify_all();
}

void EventFlow::Fail(std::int32_t, std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = error;
    closed_ = true;
    roomFreed_.notify_all();
    arrived_.notify_all();
}

std::int32_t EventFlow::WriteReady(matrix::MatrixWriter& writer) {
    std::int32_t count = 0;
    for (;;) {
        Slot* slot = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (!NextReadyLocked()) return count;
            slot = &SlotOf(written_ + 1);
        }
        // No worker touches the slot until written_ moves past it.
        writer.Append(slot->records);
        std::lock_guard lock(mutex_);
        slot->index = 0;
        ++written_;
        ++count;
        roomFreed_.notify_all();
    }
}

void EventFlow::Wait(std::chrono::microseconds timeout) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, timeout, [&] { return NextReadyLocked(); });
}

bool EventFlow::NextReady() const {
    std::lock_guard lock(mutex_);
    return NextReadyLocked();
}

std::int32_t EventFlow::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

bool EventFlow::AllHandedOut() const {
    std::lock_guard lock(mutex_);
    return handedOut_ >= total_;
}

std::int32_t EventFlow::Left() const {
    std::lock_guard lock(mutex_);
    return total_ - handedOut_;
}

std::exception_ptr EventFlow::Error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

}  // namespace builder
