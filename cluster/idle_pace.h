// How long a process's message loop waits after a pass that found nothing
// to do: short right after activity, longer while nothing happens, so an
// idle loop costs next to no processor time.
#pragma once

#include <algorithm>
#include <chrono>

namespace cluster {

class IdlePace {
public:
    // The wait after a pass; busy passes start the pace again.
    std::chrono::microseconds After(bool busy) {
        wait_ = busy ? kShortest : std::min(kLongest, wait_ * 2);
        return wait_;
    }

private:
    static constexpr std::chrono::microseconds kShortest{1000};
    static constexpr std::chrono::microseconds kLongest{10000};
    std::chrono::microseconds wait_{kShortest};
};

}  // namespace cluster
