// The events of a build spread over the processes of an MPI job, as the
// writing process (rank 0) runs them. Its own workers take events one at a
// time; every other process asks for a batch when its queue runs low and
// gets the next events of the set; the records come back encoded and this
// thread writes them in event order. A stop, a failure anywhere or a
// process gone silent ends the build with the files holding whole records
// of the events before the first one missing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/build_context.h"
#include "builder/event_flow.h"
#include "cluster/cluster_api.h"
#include "cluster/liveness.h"
#include "cluster/mpi_link.h"
#include "cluster/roll_call.h"
#include "cluster/team.h"

namespace cluster {

// How many events may be handed out beyond the last one written: room for
// about 1 GiB of records, and never less than four per worker thread.
std::int32_t WindowFor(std::int32_t nodes, int totalWorkers, std::int32_t total);

class Handout {
public:
    Handout(MpiLink& link, Team& team, builder::BuildContext& build, int localWorkers,
            std::function<StopRequest()> stop, const Timing& timing, bool seesPeersOnItsHost = true);

    // Returns Completed, or Stopped once the records that continue the
    // prefix are written; throws the first failure after writing them.
    // Every process that is not lost is told to quit at the end.
    builder::BuildStatus Run();

    // Why the build stopped early, for people ("" when it did not).
    const std::string& StopReason() const { return stopReason_; }
    // Whether a process was taken as lost: MPI cannot be finalized then.
    bool LostAProcess() const { return lost_; }

private:
    bool ServeMessages();
    void Serve(Peer& peer);
    void PeerFailed(Peer& peer, std::int32_t eventIndex, const std::string& what);
    void GrantWaiting();
    bool Write();
    void CheckStop();
    void CheckPeers();
    void BeginFinish(const std::string& reason);
    void BeginQuit(const std::string& reason);
    void EndRollCall();
    bool Over() const;
    void TellQuit();
    void Send(Peer& peer, Tag tag, std::vector<char> bytes = {});

    MpiLink& link_;
    Team& team_;
    builder::BuildContext& build_;
    const int localWorkers_;
    std::function<StopRequest()> stop_;
    Liveness live_;
    const bool seesPeersOnItsHost_;
    RollCall roll_;  // after live_, whose ranks it takes
    std::string lostWords_;  // why the processes found gone at a quit are lost
    builder::EventFlow* flow_ = nullptr;
    builder::EventPool* pool_ = nullptr;
    Message message_;
    matrix::EncodedEvent scratch_;
    std::vector<builder::EventTask> tasks_;
    std::size_t firstToGrant_ = 0;
    std::chrono::steady_clock::time_point peersChecked_{};
    bool finishing_ = false;
    bool quitting_ = false;
    bool writerFailed_ = false;
    bool lost_ = false;
    std::string stopReason_;
};

}  // namespace cluster
