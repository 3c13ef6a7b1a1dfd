// Whether the other processes of a build are still there. mpirun answers a
// process that died (killed, crashed) by sending SIGTERM to all the others,
// the same signal it passes on when it is interrupted itself; the process
// that died has been reaped by then, so a peer on this host whose process
// is gone tells a lost process from a stop the user asked for. Peers on
// other hosts are asked (roll_call.h).
#pragma once

#include <string>

#include "cluster/team.h"

namespace cluster {

// The first peer on this host (by name) whose process no longer exists, or
// nullptr. Peers on other hosts cannot be looked at from here.
Peer* GonePeerOnHost(Team& team, const std::string& host);

// What ended the build when a peer went without a word.
std::string GoneReason(const Peer& peer);
// The same for a peer, on any host, that did not answer the roll call.
std::string UnansweredReason(const Peer& peer);

}  // namespace cluster
