// What the tesmar program sees of the cluster library. The program loads
// the library (bin/libtesmar_cluster.so) only when an MPI launcher started
// it, so it needs no MPI runtime otherwise; no MPI type appears here.
//
// Every process of the job loads the network itself and calls Build. The
// process of rank 0 writes the matrix files and reports; the others
// simulate the events it hands them and send back the encoded records.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "builder/build.h"
#include "network/netload.h"

namespace cluster {

// How a stop was asked for. AfterRunning: the events running finish and
// are written (SIGUSR1, which mpirun passes on to every process). Now: the
// records already here are written and the build ends at once (SIGINT,
// SIGTERM or SIGHUP; mpirun sends SIGTERM to every process when it is
// interrupted or a process of the job ended, and kills them soon after).
enum class StopRequest { None, AfterRunning, Now };

// This process's part of a build.
struct ProcessJob {
    // The network this process loaded, or nullptr and why it could not.
    const network::Network* net = nullptr;
    // The checks' outcome for that network and this process's description,
    // when the command ran them; the writing process does not run them again.
    std::optional<builder::ValidatedBuild> validated;
    // The toolkit the program bound; the one this process calls, network or not.
    network::SharedToolkit toolkit;
    std::string problem;
    // The build as this process's command line describes it. The writing
    // process's event set and run parameters rule; every process takes
    // only its number of worker threads from its own.
    builder::BuildDescription description;
    // Called by the writing process only.
    builder::BuildHost host;
    // Polled often by every process.
    std::function<StopRequest()> stop;
    // A process silent this long is taken as lost.
    double silenceSeconds = 30;
    // How long the writing process waits for the others to answer when the
    // job ends at once: well inside the time the launcher gives the
    // processes before it kills them.
    double answerSeconds = 0.4;
    // Whether the writing process may look for the processes of its own
    // host that are gone; false makes every process count as remote.
    bool seesPeersOnItsHost = true;
};

// One process of an MPI job. When it goes, MPI is finalized, or the whole
// job aborted when a process was lost.
class Process {
public:
    virtual ~Process() = default;
    virtual int Rank() const = 0;
    virtual int Size() const = 0;
    virtual const std::string& Host() const = 0;
    // Runs this process's part of the build. The writing process returns
    // the build's outcome; the others return Completed, or Failed with the
    // reason when they could not take part to the end.
    virtual builder::BuildOutcome Build(const ProcessJob& job) = 0;
};

// The library's one exported function. Initialises MPI (the stop signals
// must already be blocked, so MPI's own threads inherit the mask) and
// returns this process, or nullptr with *error saying why.
using JoinFunction = Process* (*)(std::string* error);
inline constexpr const char* kJoinSymbol = "tesmar_cluster_join";
inline constexpr const char* kLibraryFile = "libtesmar_cluster.so";

}  // namespace cluster
