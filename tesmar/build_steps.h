// The steps of `tesmar build` that a build in one process and a build
// across the processes of an MPI job share.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>

#include "builder/build.h"
#include "network/netload.h"
#include "tesmar/build_request.h"
#include "tesmar/progress.h"

namespace tesmar {

// A network read for a build, and the outcome of the build's checks.
struct PreparedBuild {
    network::Network net;
    builder::ValidatedBuild validated;
};

// Everything that can be refused before a matrix file is touched, each
// checked once: the options, the network file, the toolkit's reading of it
// and the build's checks of the two. Throws InputError.
PreparedBuild PrepareBuild(const BuildRequest& request, const std::string& path, const network::SharedToolkit& toolkit);

// The build the request describes. Without --seed the seed comes from the
// clock and, when announceSeed, is written to err so the set can be repeated.
builder::BuildDescription DescribeBuild(const BuildRequest& request, std::ostream& err, bool announceSeed);

// What the start line says of the analysis: with --chemical, whether the
// chemical decays by the network's reaction coefficients; "" otherwise.
// Throws InputError.
std::string AnalysisNote(const BuildRequest& request, const network::Network& net);

// A host that writes the start line (ending with the analysis note) and the progress to err.
builder::BuildHost ReportingHost(std::function<bool()> stopRequested, ProgressReporter& progress,
                                 const BuildRequest& request, const std::string& path, std::string analysis,
                                 const network::SharedToolkit& toolkit,
                                 std::ostream& err);

// Writes how the build ended and returns the exit code.
int ReportOutcome(const BuildRequest& request, const builder::BuildOutcome& outcome, ProgressReporter& progress,
                  std::ostream& out, std::ostream& err);

}  // namespace tesmar
