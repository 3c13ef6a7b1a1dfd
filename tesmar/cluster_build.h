// `tesmar build` as one process of an MPI job:
//   mpirun -np N tesmar build NETWORK.inp [options]
// Every process loads the network and runs worker threads (--threads
// counts per process); the process of rank 0 writes the files and reports,
// the others say nothing unless they cannot go on.
#pragma once

#include <functional>
#include <iosfwd>

#include "cluster/cluster_api.h"
#include "network/toolkit.h"
#include "tesmar/build_request.h"

namespace tesmar {

// Changes this process's job before it runs; the cluster tests' build
// program sets failures and shorter limits this way.
using JobAdjustment = std::function<void(int rank, cluster::ProcessJob& job)>;

// Runs this process's part of the build and returns its exit code.
int RunClusterBuildCommand(const BuildRequest& request, const network::SharedToolkit& toolkit, std::ostream& out,
                           std::ostream& err, bool liveProgress, const JobAdjustment& adjust = {});

}  // namespace tesmar
