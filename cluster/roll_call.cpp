#include "cluster/roll_call.h"

#include "cluster/cluster_api.h"
#include "cluster/peer_presence.h"

namespace cluster {

void RollCall::Start(MpiLink& link, const Team& team) {
    if (started_) return;
    started_ = true;
    at_ = Clock::now();
    for (const Peer& peer : team)
        if (!peer.lost) link.Send(peer.rank, Tag::RollCall, {});
    link.SendsDone();
}

void RollCall::Take(const Message& message) {
    if (message.source < 1 || static_cast<std::size_t>(message.source) >= answered_.size()) return;
    bool answers = message.tag == Tag::Here;
    if (message.tag == Tag::StopAsked) {
        try {
            answers = static_cast<StopRequest>(DecodeNumber(message.Bytes())) == StopRequest::Now;
        } catch (const WireError&) {
        }
    }
    if (answers) answered_[static_cast<std::size_t>(message.source)] = true;
}

bool RollCall::Over(const Team& team) const {
    if (!started_) return false;
    if (Clock::now() - at_ >= wait_) return true;
    for (const Peer& peer : team)
        if (!peer.lost && !Answered(peer)) return false;
    return true;
}

std::string RollCall::MarkSilent(Team& team) const {
    std::string reason;
    for (Peer& peer : team) {
        if (peer.lost || Answered(peer)) continue;
        peer.lost = true;
        reason += (reason.empty() ? "" : "; ") + UnansweredReason(peer);
    }
    return reason;
}

}  // namespace cluster
