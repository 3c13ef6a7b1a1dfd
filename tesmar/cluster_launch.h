// Finding out that an MPI launcher started the program, and loading the
// cluster library (bin/libtesmar_cluster.so) that joins the MPI job. The
// program is not linked with MPI: it needs an MPI runtime only then.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "cluster/cluster_api.h"

namespace tesmar {

// Whether an MPI launcher started this program as one of several
// processes: Open MPI's mpirun with more than one process, or a PMIx
// launcher that says nothing of the count.
bool StartedAsClusterProcess();

// This process's rank as the launcher gives it, before MPI is started; 0
// when it gives none.
int LauncherRank();

// The cluster library cannot be loaded or MPI cannot be started.
class ClusterLoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Loads the cluster library beside the program, once for the life of the
// process (MPI cannot be started twice), and joins the job. Throws ClusterLoadError.
std::unique_ptr<cluster::Process> JoinCluster();

}  // namespace tesmar
