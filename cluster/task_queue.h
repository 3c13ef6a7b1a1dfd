// The events a process got from the writing process, waiting for its workers.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "builder/event_pool.h"

namespace cluster {

class TaskQueue final : public builder::EventSource {
public:
    // Waits for an event; false once none will come.
    bool Take(builder::EventTask& task) override;
    // Drops the events not taken; Take gives no more.
    void Close() override;
    // Queues the events, emptying tasks; none once no more may come.
    void Add(std::vector<builder::EventTask>& tasks);
    // No more will be added: Take gives those queued, then no more.
    void NoMore();
    // Events queued and not taken yet.
    std::int32_t Waiting() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable added_;
    std::deque<builder::EventTask> tasks_;
    bool noMore_ = false;
};

}  // namespace cluster
