#include "base/usable_cores.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace base {

int UsableCores() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) return CPU_COUNT(&cpus);
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace base
