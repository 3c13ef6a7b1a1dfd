#include "cluster/handout.h"

#include <algorithm>
#include <chrono>

#include "builder/build_error.h"
#include "cluster/idle_pace.h"
#include "cluster/peer_presence.h"

namespace cluster {

namespace {

// Records on their way or waiting to be written; the text of a value takes
// up to about 9 characters in each of four files, its binary form 13 bytes.
constexpr double kWindowBytes = 1024.0 * 1024 * 1024;
constexpr double kRecordBytesPerNode = 50;
constexpr std::int32_t kMostSlots = 1 << 20;
// Messages served before the writer gets its turn again.
constexpr int kMessagesPerPass = 16;
constexpr auto kPeerCheckEvery = std::chrono::milliseconds(100);

}  // namespace

std::int32_t WindowFor(std::int32_t nodes, int totalWorkers, std::int32_t total) {
    const double byMemory = kWindowBytes / (200 + kRecordBytesPerNode * nodes);
    const double window = std::max(byMemory, 4.0 * totalWorkers);
    const double most = std::min(std::max(total, 1), kMostSlots);
    return static_cast<std::int32_t>(std::clamp(window, 1.0, most));
}

Handout::Handout(MpiLink& link, Team& team, builder::BuildContext& build, int localWorkers,
                 std::function<StopRequest()> stop, const Timing& timing, bool seesPeersOnItsHost)
    : link_(link), team_(team), build_(build), localWorkers_(localWorkers), stop_(std::move(stop)),
      live_(link.Size(), timing), seesPeersOnItsHost_(seesPeersOnItsHost), roll_(link.Size(), timing.answerWait) {}

void Handout::Send(Peer& peer, Tag tag, std::vector<char> bytes) {
    link_.Send(peer.rank, tag, std::move(bytes));
    live_.Sent(peer.rank);
}

builder::BuildStatus Handout::Run() {
    int totalWorkers = localWorkers_;
    for (const Peer& peer : team_) totalWorkers += peer.workers;
    builder::EventFlow flow(build_.events, build_.total, WindowFor(build_.net.nNodes, totalWorkers, build_.total));
    const builder::WorkerSetup setup = builder::SetupOf(build_);
    builder::EventPool pool(setup, localWorkers_, flow, flow);
    flow_ = &flow;
    pool_ = &pool;

    const builder::BuildHost& host = build_.host;
    const builder::ProgressClock clock;
    builder::ReportProgress(host, clock.At(0, build_.total));
    std::int32_t shown = 0;
    IdlePace pace;
    try {
        while (!Over()) {
            bool busy = ServeMessages();
            GrantWaiting();
            busy = Write() || busy;
            if (const std::int32_t written = flow.Written(); written != shown) {
                builder::ReportProgress(host, clock.At(written, build_.total));
                shown = written;
            }
            if (host.processEvents) host.processEvents();
            CheckStop();
            CheckPeers();
            const auto wait = pace.After(busy);
            if (!busy && !Over()) flow.Wait(wait);
        }
        if (quitting_) EndRollCall();
        Write();
    } catch (...) {
        TellQuit();
        throw;
    }
    TellQuit();
    if (std::exception_ptr error = flow.Error()) std::rethrow_exception(error);
    return flow.Written() < build_.total ? builder::BuildStatus::Stopped : builder::BuildStatus::Completed;
}

// The processes not lost end: they wait for this word.
void Handout::TellQuit() {
    for (Peer& peer : team_)
        if (!peer.lost) Send(peer, Tag::Quit);
}

bool Handout::Over() const {
    if (quitting_) return roll_.Over(team_);
    for (const Peer& peer : team_)
        if (!peer.done && !peer.lost) return false;
    if (!pool_->Ended()) return false;
    return flow_->Written() == build_.total || writerFailed_ || !flow_->NextReady();
}

bool Handout::ServeMessages() {
    int served = 0;
    while (served < kMessagesPerPass && link_.Poll(message_)) {
        ++served;
        if (message_.source < 1 || message_.source > static_cast<int>(team_.size())) continue;
        Peer& peer = team_[static_cast<std::size_t>(message_.source - 1)];
        live_.Heard(peer.rank);
        roll_.Take(message_);
        try {
            Serve(peer);
        } catch (const std::exception& e) {
            PeerFailed(peer, 0, std::string("sent a message the writing process cannot use: ") + e.what());
        }
    }
    link_.SendsDone();
    return served > 0;
}

void Handout::Serve(Peer& peer) {
    switch (message_.tag) {
        case Tag::Request: peer.wanted = std::max(1, DecodeNumber(message_.Bytes())); break;
        case Tag::Records:
            DecodeRecords(message_.Bytes(), scratch_,
                          [&](std::int32_t index, matrix::EncodedEvent& records) { flow_->Deliver(index, records); });
            break;
        case Tag::Failed: {
            auto [eventIndex, what] = DecodeFailure(message_.Bytes());
            PeerFailed(peer, eventIndex, what);
            break;
        }
        case Tag::StopAsked:
            if (static_cast<StopRequest>(DecodeNumber(message_.Bytes())) == StopRequest::Now)
                BeginQuit("a stop signal reached " + peer.Name());
            else
                BeginFinish("SIGUSR1 reached " + peer.Name());
            break;
        case Tag::Done: peer.done = true; break;
        default: break;  // Alive: being heard is all
    }
}

void Handout::PeerFailed(Peer& peer, std::int32_t eventIndex, const std::string& what) {
    const std::string where = eventIndex > 0 ? "Event " + std::to_string(eventIndex) + " failed on " + peer.Name()
                                             : peer.Name() + " failed";
    flow_->Fail(eventIndex, std::make_exception_ptr(builder::BuildError(where + ": " + what)));
    BeginFinish("");
}

// Answers the processes waiting for events, in turn, as far as the window
// lets; once no more events will be handed out the answer holds none.
// Towards the end of the set the batches shrink (to a share of what is
// left), so that no process is left with a long batch while the others
// have nothing to do.
void Handout::GrantWaiting() {
    const std::size_t count = team_.size();
    for (std::size_t turn = 0; turn < count; ++turn) {
        Peer& peer = team_[(firstToGrant_ + turn) % count];
        if (peer.wanted == 0 || peer.lost) continue;
        tasks_.clear();
        const bool handing = !finishing_ && !quitting_;
        const std::int32_t share = std::max(peer.workers, flow_->Left() / (2 * link_.Size()));
        if (handing && flow_->TakeSome(std::min(peer.wanted, share), tasks_) == 0 && !flow_->AllHandedOut())
            continue;
        std::vector<char> bytes;
        EncodeEvents(tasks_, bytes);
        Send(peer, Tag::Events, std::move(bytes));
        peer.wanted = 0;
    }
    if (count > 0) firstToGrant_ = (firstToGrant_ + 1) % count;
}

bool Handout::Write() {
    if (writerFailed_) return false;
    try {
        return flow_->WriteReady(build_.writer) > 0;
    } catch (...) {
        writerFailed_ = true;
        flow_->Fail(0, std::current_exception());
        BeginFinish("");
        return true;
    }
}

void Handout::CheckStop() {
    switch (stop_ ? stop_() : StopRequest::None) {
        case StopRequest::None: break;
        case StopRequest::AfterRunning: BeginFinish("SIGUSR1 reached the writing process"); break;
        case StopRequest::Now: BeginQuit("a stop signal reached the writing process"); break;
    }
}

// A failure of this process's workers, or a process that fell silent;
// the processes are looked at ten times a second, however many there are.
void Handout::CheckPeers() {
    if (flow_->Error() && !finishing_) BeginFinish("");
    const auto now = std::chrono::steady_clock::now();
    if (now - peersChecked_ < kPeerCheckEvery) return;
    peersChecked_ = now;
    for (Peer& peer : team_) {
        if (peer.lost) continue;
        // A process that is done waits to be told to quit, and keeps hearing from this one.
        if (!peer.done && live_.Silent(peer.rank)) {
            peer.lost = lost_ = true;
            const auto seconds = static_cast<long>(live_.SilenceLimitSeconds());
            flow_->Fail(0, std::make_exception_ptr(builder::BuildError(
                               peer.Name() + " has sent nothing for " + std::to_string(seconds) +
                               " s and is taken as lost")));
            BeginFinish("");
        } else if (live_.AliveDue(peer.rank)) {
            Send(peer, Tag::Alive);
        }
    }
}

// No more events are handed out; the events running everywhere finish and
// their records are written as far as they continue the prefix.
void Handout::BeginFinish(const std::string& reason) {
    if (stopReason_.empty()) stopReason_ = reason;
    if (finishing_ || quitting_) return;
    finishing_ = true;
    flow_->Close();
    for (Peer& peer : team_)
        if (!peer.done && !peer.lost) Send(peer, Tag::Finish);
}

// The build ends at once with the records already here, once the other
// processes answered the roll call. The launcher sends the stop signal
// also when a process of the job died: the build then failed.
void Handout::BeginQuit(const std::string& reason) {
    if (stopReason_.empty() || !quitting_) stopReason_ = reason;
    if (quitting_) return;
    quitting_ = true;
    if (Peer* gone = seesPeersOnItsHost_ ? GonePeerOnHost(team_, link_.Host()) : nullptr) {
        gone->lost = lost_ = true;
        lostWords_ = GoneReason(*gone);
    }
    flow_->Close();
    pool_->Abandon();
    roll_.Start(link_, team_);
}

void Handout::EndRollCall() {
    const std::string silent = roll_.MarkSilent(team_);
    if (!silent.empty()) lostWords_ += (lostWords_.empty() ? "" : "; ") + silent;
    if (lostWords_.empty()) return;
    lost_ = true;
    flow_->Fail(0, std::make_exception_ptr(builder::BuildError(lostWords_)));
}

}  // namespace cluster
