#include "cluster/liveness.h"

#include "cluster/cluster_api.h"

namespace cluster {

Timing TimingOf(const ProcessJob& job) {
    Timing timing;
    timing.silenceLimit = std::chrono::milliseconds(static_cast<long>(job.silenceSeconds * 1000));
    timing.answerWait = std::chrono::milliseconds(static_cast<long>(job.answerSeconds * 1000));
    return timing;
}

Liveness::Liveness(int ranks, const Timing& timing)
    : timing_(timing), heard_(static_cast<std::size_t>(ranks), Clock::now()),
      sent_(static_cast<std::size_t>(ranks), Clock::now()) {}

}  // namespace cluster
