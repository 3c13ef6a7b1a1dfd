#include "cluster/liveness.h"

namespace cluster {

Liveness::Liveness(int ranks, const Timing& timing)
    : timing_(timing), heard_(static_cast<std::size_t>(ranks), Clock::now()),
      sent_(static_cast<std::size_t>(ranks), Clock::now()) {}

}  // namespace cluster
