// One scenario matrix held in memory: a value per node and event.
//
// Cells are stored event by event, each event's row holding nodes 0..nNodes
// next to each other, so appending an event appends one row and the fitness
// computation walks one contiguous row per event. Node 0 and event 0 exist
// and stay 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fitness {

template <typename T>
class ScenarioMatrix {
public:
    // Zero-filled matrix of nodes 0..nNodes and events 0..nEvents.
    void Reset(std::int32_t nNodes, std::int32_t nEvents) {
        cells_ = std::vector<T>();  // free the old cells before taking new ones
        nNodes_ = nNodes;
        nEvents_ = nEvents;
        cells_.assign(RowLength() * (static_cast<std::size_t>(nEvents) + 1), T{});
    }

    // Room for events up to maxEvents without moving the cells again. Only
    // touched rows take up memory, so a generous estimate costs nothing.
    void Reserve(std::size_t maxEvents) { cells_.reserve(RowLength() * (maxEvents + 1)); }

    // Adds event nEvents + 1, zero-filled, and returns its row.
    T* AppendEvent() {
        cells_.resize(cells_.size() + RowLength(), T{});
        ++nEvents_;
        return Row(nEvents_);
    }

    // Keeps events 0..nEvents only.
    void Truncate(std::int32_t nEvents) {
        if (nEvents >= nEvents_) return;
        nEvents_ = nEvents;
        cells_.resize(RowLength() * (static_cast<std::size_t>(nEvents) + 1));
    }

    // Gives back reserved room that grew well beyond the cells in use.
    void ReleaseSpareRoom() {
        if (cells_.capacity() > cells_.size() + cells_.size() / 20) cells_.shrink_to_fit();
    }

    T* Row(std::int32_t event) { return cells_.data() + static_cast<std::size_t>(event) * RowLength(); }
    const T* Row(std::int32_t event) const {
        return cells_.data() + static_cast<std::size_t>(event) * RowLength();
    }

    T& operator()(std::int32_t node, std::int32_t event) { return Row(event)[node]; }
    T operator()(std::int32_t node, std::int32_t event) const { return Row(event)[node]; }

    std::int32_t nNodes() const { return nNodes_; }
    std::int32_t nEvents() const { return nEvents_; }
    std::size_t ReservedBytes() const { return cells_.capacity() * sizeof(T); }

private:
    std::size_t RowLength() const { return static_cast<std::size_t>(nNodes_) + 1; }

    std::int32_t nNodes_ = 0;
    std::int32_t nEvents_ = 0;
    std::vector<T> cells_ = std::vector<T>(1);
};

}  // namespace fitness
