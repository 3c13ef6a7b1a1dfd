// The writing process of a build (rank 0). It tells every other process
// what the build is made of (the network's size and hash, the program and
// toolkit versions, the run parameters), gathers their answers, and then
// runs the build: events handed out across the job, files written here.
#pragma once

#include "builder/build.h"
#include "cluster/cluster_api.h"
#include "cluster/mpi_link.h"

namespace cluster {

struct WriterEnd {
    builder::BuildOutcome outcome;
    bool lostAProcess = false;  // MPI cannot be finalized
};

WriterEnd RunWriterProcess(MpiLink& link, const ProcessJob& job);

}  // namespace cluster
