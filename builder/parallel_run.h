// The events of a build on several worker threads. Each worker owns one
// toolkit project with its hydraulics solved once, takes the next event of
// the set, simulates it and encodes its records; the calling thread writes
// the records strictly in event order, reports progress and watches for a
// stop request.
#pragma once

#include "builder/build_context.h"

namespace builder {

// Returns Completed, or Stopped after a stop request once the events
// running have been written. Throws the first failure of a worker or the
// writer, after the records of the events before it are written.
BuildStatus RunEventsInParallel(BuildContext& build, int workers);

}  // namespace builder
