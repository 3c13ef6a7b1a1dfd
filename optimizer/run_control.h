// The shared state of one run: its threads, its clock and time limit, and the
// caller's progress callback, which may ask the run to stop.
#pragma once

#include <chrono>
#include <cstdint>

#include "optimizer/options.h"

namespace optimizer {

class RunControl {
public:
    RunControl(int threads, double timeLimitSeconds, ProgressCallback callback);

    int threads() const { return threads_; }
    double Elapsed() const;
    // Seconds before the time limit; infinity without one.
    double SecondsLeft() const;
    // True once the time limit has passed or the callback asked to stop.
    bool Stopped();
    // Tells the callback where the run stands: always on a new stage or
    // sensor count, otherwise at most every tenth of a second.
    void Report(Stage stage, std::int32_t sensors, double value, double bound);
    // Work done so far in passes over the problem's cells (swap scans and
    // relaxation steps): searches budget their work in these, so that a run
    // does the same work, and gives the same answer, on any machine.
    void CountPasses(std::int64_t passes) { passes_ += passes; }
    std::int64_t Passes() const { return passes_; }

private:
    using Clock = std::chrono::steady_clock;
    int threads_;
    double limit_;
    ProgressCallback callback_;
    Clock::time_point start_;
    double lastReport_ = -1;
    Stage lastStage_ = Stage::Preparing;
    std::int32_t lastSensors_ = -1;
    bool stopped_ = false;
    std::int64_t passes_ = 0;
};

}  // namespace optimizer
