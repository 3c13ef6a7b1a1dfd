// The manifest of a build: what the matrix set is built from, and how the
// build ended.
#pragma once

#include "builder/build.h"
#include "matrix/manifest.h"

namespace builder {

// The run parameters as the manifest records them.
matrix::ManifestParameters RecordedParameters(const RunParameters& parameters);

// The manifest written when the build starts: outcome "running".
matrix::Manifest StartManifest(const network::Network& net, const BuildDescription& description, int processes,
                               int workers, std::int32_t eventsPlanned);

// Completes it with the outcome.
void EndManifest(matrix::Manifest& manifest, const BuildOutcome& outcome, double elapsedSeconds);

}  // namespace builder
