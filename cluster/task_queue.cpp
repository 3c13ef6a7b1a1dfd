#include "cluster/task_queue.h"

namespace cluster {

bool TaskQueue::Take(builder::EventTask& task) {
    std::unique_lock lock(mutex_);
    added_.wait(lock, [&] { return !tasks_.empty() || noMore_; });
    if (tasks_.empty()) return false;
    task = std::move(tasks_.front());
    tasks_.pop_front();
    return true;
}

void TaskQueue::Close() {
    std::lock_guard lock(mutex_);
    tasks_.clear();
    noMore_ = true;
    added_.notify_all();
}

void TaskQueue::Add(std::vector<builder::EventTask>& tasks) {
    std::lock_guard lock(mutex_);
    // Events that come after the end (a batch on its way when the process
    // was told to finish) are dropped.
    if (!noMore_)
        for (builder::EventTask& task : tasks) tasks_.push_back(std::move(task));
    tasks.clear();
    added_.notify_all();
}

void TaskQueue::NoMore() {
    std::lock_guard lock(mutex_);
    noMore_ = true;
    added_.notify_all();
}

std::int32_t TaskQueue::Waiting() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::int32_t>(tasks_.size());
}

}  // namespace cluster
