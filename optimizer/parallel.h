// The worker threads of a run.
#pragma once

namespace optimizer {

// The threads of a run: `requested`, or every core the process may use when 0.
int ResolveThreads(int requested);

}  // namespace optimizer
