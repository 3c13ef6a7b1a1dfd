#include "tesmar/thread_count.h"

#include <string>

#include "tesmar/exit_codes.h"

namespace tesmar {

void RequireThreadCount(const std::optional<int>& threads) {
    if (threads && (*threads < 1 || *threads > kMaxThreads))
        throw InputError("--threads must be from 1 to " + std::to_string(kMaxThreads) + " (got " +
                         std::to_string(*threads) + ")");
}

}  // namespace tesmar
