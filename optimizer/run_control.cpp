#include "optimizer/run_control.h"

#include <limits>

namespace optimizer {

namespace {
constexpr double kReportInterval = 0.1;
}

RunControl::RunControl(int threads, double timeLimitSeconds, ProgressCallback callback)
    : threads_(threads), limit_(timeLimitSeconds), callback_(std::move(callback)), start_(Clock::now()) {}

double RunControl::Elapsed() const {
    return std::chrono::duration<double>(Clock::now() - start_).count();
}

double RunControl::SecondsLeft() const {
    if (limit_ <= 0) return std::numeric_limits<double>::infinity();
    return limit_ - Elapsed();
}

bool RunControl::Stopped() {
    if (!stopped_ && limit_ > 0 && Elapsed() >= limit_) stopped_ = true;
    return stopped_;
}

void RunControl::Report(Stage stage, std::int32_t sensors, double value, double bound) {
    if (!callback_ || stopped_) return;
    double now = Elapsed();
    bool news = stage != lastStage_ || sensors != lastSensors_;
    if (!news && now - lastReport_ < kReportInterval) return;
    lastReport_ = now;
    lastStage_ = stage;
    lastSensors_ = sensors;
    if (!callback_(Progress{stage, sensors, value, bound, now})) stopped_ = true;
}

}  // namespace optimizer
