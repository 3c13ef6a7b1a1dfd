// The records a process's workers made, kept until the process sends them
// to the writing process, and the failures it must report there.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "builder/event_pool.h"

namespace cluster {

// Why an event (0: a worker's set-up) failed.
struct Failure {
    std::int32_t eventIndex = 0;
    std::string what;
};

class RecordBox final : public builder::RecordSink {
public:
    using Clock = std::chrono::steady_clock;

    void Deliver(std::int32_t index, matrix::EncodedEvent& records) override;
    void Fail(std::int32_t index, std::exception_ptr error) override;

    // The sending thread's side.
    // Waits up to timeout or until a failure comes; records delivered
    // meanwhile do not end the wait, so the sending thread wakes once per
    // batch, not once per event.
    void Wait(std::chrono::microseconds timeout);
    // How long until the oldest record kept has waited `batchWait`; the
    // longest time when none is kept.
    Clock::duration NextDue(Clock::duration batchWait) const;
    std::int32_t ReadyCount() const;
    std::size_t ReadyBytes() const;
    // How long the oldest record kept has waited.
    Clock::duration OldestWait() const;
    // Encodes every record kept into a Records message; returns how many.
    std::int32_t Pack(std::vector<char>& message);
    std::vector<Failure> TakeFailures();
    // Records delivered so far.
    std::int64_t Delivered() const;

private:
    struct Kept {
        std::int32_t index = 0;
        matrix::EncodedEvent records;
    };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Kept> kept_, packing_;
    std::vector<matrix::EncodedEvent> spare_;  // buffers to hand back to the workers
    std::size_t keptBytes_ = 0;
    Clock::time_point oldest_{};
    std::int64_t delivered_ = 0;
    std::vector<Failure> failures_;
};

}  // namespace cluster
