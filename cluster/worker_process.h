// A process of a build that does not write (rank 1 and up). It checks that
// it builds from the writing process's network with the same program and
// toolkit, runs its own baseline, then asks for events whenever its queue
// runs low, simulates them with its worker threads and sends the encoded
// records back, a batch about every tenth of a second.
#pragma once

#include "builder/build.h"
#include "cluster/cluster_api.h"
#include "cluster/mpi_link.h"

namespace cluster {

struct WorkerEnd {
    builder::BuildOutcome outcome;  // Completed, Refused, or Failed when the writer was lost
    bool writerLost = false;        // MPI cannot be finalized
};

WorkerEnd RunWorkerProcess(MpiLink& link, const ProcessJob& job);

// Why this process cannot take part in the build the set-up describes, or
// "" when it can. Names this process and host.
std::string SetupMismatch(const Setup& setup, const ProcessJob& job, int rank, const std::string& host,
                          int toolkitVersion);

}  // namespace cluster
