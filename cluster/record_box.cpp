#include "cluster/record_box.h"

#include <algorithm>

#include "cluster/messages.h"

namespace cluster {

namespace {

std::size_t Bytes(const matrix::EncodedEvent& records) {
    std::size_t bytes = records.summary.size() + records.detected.size();
    for (const std::string& text : records.text) bytes += text.size();
    for (const std::vector<float>& row : records.values) bytes += row.size() * sizeof(float);
    return bytes;
}

std::string What(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an unknown error";
    }
}

}  // namespace

void RecordBox::Deliver(std::int32_t index, matrix::EncodedEvent& records) {
    std::lock_guard lock(mutex_);
    if (kept_.empty()) oldest_ = Clock::now();
    Kept& kept = kept_.emplace_back();
    kept.index = index;
    if (!spare_.empty()) {
        kept.records = std::move(spare_.back());
        spare_.pop_back();
    }
    std::swap(kept.records, records);
    keptBytes_ += Bytes(kept.records);
    ++delivered_;
}

void RecordBox::Fail(std::int32_t index, std::exception_ptr error) {
    std::lock_guard lock(mutex_);
    failures_.push_back({index, What(error)});
    changed_.notify_all();
}

void RecordBox::Wait(std::chrono::microseconds timeout) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return !failures_.empty(); });
}

RecordBox::Clock::duration RecordBox::NextDue(Clock::duration batchWait) const {
    std::lock_guard lock(mutex_);
    if (kept_.empty()) return Clock::duration::max();
    return std::max(Clock::duration::zero(), batchWait - (Clock::now() - oldest_));
}

std::int32_t RecordBox::ReadyCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::int32_t>(kept_.size());
}

std::size_t RecordBox::ReadyBytes() const {
    std::lock_guard lock(mutex_);
    return keptBytes_;
}

RecordBox::Clock::duration RecordBox::OldestWait() const {
    std::lock_guard lock(mutex_);
    return kept_.empty() ? Clock::duration::zero() : Clock::now() - oldest_;
}

std::int32_t RecordBox::Pack(std::vector<char>& message) {
    std::size_t bytes = 0;
    {
        std::lock_guard lock(mutex_);
        std::swap(kept_, packing_);
        bytes = std::exchange(keptBytes_, 0);
    }
    // Encoded without the lock, so the workers can go on delivering.
    RecordsEncoder encoder(message);
    message.reserve(bytes + 128 * packing_.size());
    for (const Kept& kept : packing_) encoder.Add(kept.index, kept.records);
    std::lock_guard lock(mutex_);
    for (Kept& kept : packing_) spare_.push_back(std::move(kept.records));
    packing_.clear();
    return encoder.Count();
}

std::vector<Failure> RecordBox::TakeFailures() {
    std::lock_guard lock(mutex_);
    return std::exchange(failures_, {});
}

std::int64_t RecordBox::Delivered() const {
    std::lock_guard lock(mutex_);
    return delivered_;
}

}  // namespace cluster
