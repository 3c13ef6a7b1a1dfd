#include "cluster/peer_presence.h"

#include <signal.h>

#include <cerrno>

namespace cluster {

Peer* GonePeerOnHost(Team& team, const std::string& host) {
    for (Peer& peer : team) {
        if (peer.lost || peer.host != host || peer.processId <= 0) continue;
        // A process of another user (never one of the job) answers EPERM: it exists.
        if (::kill(peer.processId, 0) != 0 && errno == ESRCH) return &peer;
    }
    return nullptr;
}

std::string GoneReason(const Peer& peer) {
    return peer.Name() + " (process id " + std::to_string(peer.processId) +
           ") ended without a word during the build (killed or crashed), and the launcher ended the job";
}

std::string UnansweredReason(const Peer& peer) {
    return peer.Name() + " did not answer when the launcher ended the job: it ended without a word during the build "
                         "(killed or crashed)";
}

}  // namespace cluster
