// The events of a build in the reference procedure: one after another on
// the calling thread, each in a toolkit session of its own.
#pragma once

#include "builder/build_context.h"

namespace builder {

// Simulates and writes the events in order; returns Completed, or Stopped
// after a stop request. Throws when an event or a write fails.
BuildStatus RunEventsInOrder(BuildContext& build);

}  // namespace builder
