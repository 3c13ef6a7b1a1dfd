// Which processes are still there when the build ends at once. mpirun
// sends SIGTERM to every process both when it is interrupted and when a
// process of the job died; a dead process on another host cannot be
// looked at, but it cannot answer either. So the writing process asks
// every other process to answer at once, and waits a moment for them,
// well inside the time mpirun gives before it kills the job. Only words
// a process says after its stop signal count: a dead process's last
// messages may still arrive.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "cluster/mpi_link.h"
#include "cluster/team.h"

namespace cluster {

class RollCall {
public:
    using Clock = std::chrono::steady_clock;
    RollCall(int ranks, std::chrono::milliseconds wait) : wait_(wait), answered_(static_cast<std::size_t>(ranks), false) {}

    // Asks every process not lost to answer; again later does nothing.
    void Start(MpiLink& link, const Team& team);
    bool Started() const { return started_; }
    // A message from a process: Here answers, and so does a process's word
    // that a stop signal reached it (also one sent before the call).
    void Take(const Message& message);
    // Whether every process not lost answered, or the wait is over.
    bool Over(const Team& team) const;
    // Marks the processes that did not answer as lost and says why the
    // build failed ("" when every one answered).
    std::string MarkSilent(Team& team) const;

private:
    bool Answered(const Peer& peer) const { return answered_[static_cast<std::size_t>(peer.rank)]; }

    std::chrono::milliseconds wait_;
    bool started_ = false;
    Clock::time_point at_{};
    std::vector<bool> answered_;  // by rank
};

}  // namespace cluster
