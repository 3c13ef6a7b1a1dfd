#include "cluster/writer_process.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "builder/build_context.h"
#include "cluster/handout.h"
#include "cluster/liveness.h"
#include "cluster/peer_presence.h"
#include "cluster/preparation.h"
#include "cluster/roll_call.h"

namespace cluster {

namespace {

WriterEnd Ended(builder::BuildStatus status, std::string reason) {
    WriterEnd end;
    end.outcome.status = status;
    end.outcome.reason = std::move(reason);
    return end;
}

void SendAll(MpiLink& link, Tag tag, const std::vector<char>& bytes) {
    for (int rank = 1; rank < link.Size(); ++rank) link.Send(rank, tag, bytes);
}

Setup SetupOf(const MpiLink& link, const ProcessJob& job) {
    Setup setup;
    setup.program = job.description.program;
    setup.toolkitVersion = job.toolkit->Version();
    if (job.net->file) {
        setup.networkBytes = job.net->file->Bytes();
        setup.networkSha256 = job.net->file->Sha256();
    }
    setup.host = link.Host();
    setup.parameters = job.description.parameters;
    setup.acceptWarnings = job.description.acceptWarnings;
    setup.ownEngine = job.description.engine == builder::TransportEngine::Own;
    return setup;
}

// What the other processes answered to the set-up.
struct Answers {
    Answers(int ranks, std::chrono::milliseconds wait) : roll(ranks, wait) {}
    Team team;
    RollCall roll;
    std::string refusals;  // each names its process and host
    std::string lost;
    int answered = 0;
    bool stopped = false;
};

void Refuse(Answers& answers, const std::string& why) {
    answers.refusals += (answers.refusals.empty() ? "" : "; ") + why;
}

// A process that is ready may already ask for events or report that its
// baseline failed before the others have answered.
void Take(const Message& message, Answers& answers) {
    Peer& peer = answers.team[static_cast<std::size_t>(message.source - 1)];
    switch (message.tag) {
        case Tag::Ready: {
            const Ready ready = DecodeReady(message.Bytes());
            peer.host = ready.host;
            peer.workers = ready.workers;
            peer.processId = ready.processId;
            ++answers.answered;
            break;
        }
        case Tag::Refused:
            Refuse(answers, DecodeText(message.Bytes()));
            ++answers.answered;
            break;
        case Tag::Request: peer.wanted = std::max(1, DecodeNumber(message.Bytes())); break;
        case Tag::Failed: Refuse(answers, peer.Name() + ": " + DecodeFailure(message.Bytes()).second); break;
        case Tag::StopAsked: answers.stopped = true; break;
        default: break;
    }
}

// The build ends at once: the processes still there answer at once.
void AwaitRollCall(MpiLink& link, Answers& answers) {
    RollCall& roll = answers.roll;
    roll.Start(link, answers.team);
    Message message;
    while (!roll.Over(answers.team)) {
        if (!link.Poll(message)) {
            link.SendsDone();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (message.source < 1 || message.source >= link.Size()) continue;
        roll.Take(message);
        Take(message, answers);
    }
    const std::string silent = roll.MarkSilent(answers.team);
    if (!silent.empty()) answers.lost += (answers.lost.empty() ? "" : "; ") + silent;
}

// Gathers the answers while the writing process prepares its own baseline;
// every process keeps hearing from the others meanwhile.
Answers Gather(MpiLink& link, const ProcessJob& job, const Preparation& preparation) {
    Answers answers(link.Size(), TimingOf(job).answerWait);
    answers.team.resize(static_cast<std::size_t>(link.Size() - 1));
    for (std::size_t i = 0; i < answers.team.size(); ++i) answers.team[i].rank = static_cast<int>(i) + 1;
    Liveness live(link.Size(), TimingOf(job));
    Message message;
    while (answers.answered < link.Size() - 1 || !preparation.Finished()) {
        bool busy = false;
        while (link.Poll(message)) {
            busy = true;
            if (message.source < 1 || message.source >= link.Size()) continue;
            live.Heard(message.source);
            answers.roll.Take(message);
            Take(message, answers);
        }
        link.SendsDone();
        if (answers.stopped || (job.stop && job.stop() == StopRequest::Now)) {
            answers.stopped = true;
            if (Peer* gone = job.seesPeersOnItsHost ? GonePeerOnHost(answers.team, link.Host()) : nullptr) {
                gone->lost = true;
                answers.lost = GoneReason(*gone);
            }
            AwaitRollCall(link, answers);
            return answers;
        }
        for (Peer& peer : answers.team) {
            if (live.Silent(peer.rank)) {
                answers.lost = "process " + std::to_string(peer.rank) + " has sent nothing for " +
                               std::to_string(static_cast<long>(live.SilenceLimitSeconds())) + " s and is taken as lost";
                return answers;
            }
            if (live.AliveDue(peer.rank)) {
                link.Send(peer.rank, Tag::Alive, {});
                live.Sent(peer.rank);
            }
        }
        if (!busy) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return answers;
}

WriterEnd Build(MpiLink& link, const ProcessJob& job, const Preparation& preparation, Team& team) {
    WriterEnd end;
    const int localWorkers = builder::WorkerCount(job.description);
    builder::EventRunner runner;
    runner.processes = link.Size();
    runner.workers = localWorkers;
    for (const Peer& peer : team) runner.workers += peer.workers;
    // Without a baseline of its own the build runs it again, and refuses
    // with what a build in one process says.
    if (preparation.Problem().empty()) {
        runner.baseline = &preparation.Baseline();
        runner.warnings = preparation.Warnings();
        runner.validated = &preparation.Validated();
    }
    bool ran = false;
    std::string stopReason;
    runner.run = [&](builder::BuildContext& build) {
        ran = true;
        Handout handout(link, team, build, localWorkers, job.stop, TimingOf(job), job.seesPeersOnItsHost);
        try {
            const builder::BuildStatus status = handout.Run();
            stopReason = handout.StopReason();
            end.lostAProcess = handout.LostAProcess();
            return status;
        } catch (...) {
            end.lostAProcess = handout.LostAProcess();
            throw;
        }
    };
    runner.stopReason = [&stopReason] { return stopReason; };
    end.outcome = builder::RunBuild(*job.net, job.description, job.host, runner);
    if (!ran) SendAll(link, Tag::Quit, {});
    return end;
}

}  // namespace

WriterEnd RunWriterProcess(MpiLink& link, const ProcessJob& job) {
    if (!job.net) {
        Setup refused;
        refused.refused = true;
        SendAll(link, Tag::Setup, EncodeSetup(refused));
        return Ended(builder::BuildStatus::Refused, job.problem);
    }
    SendAll(link, Tag::Setup, EncodeSetup(SetupOf(link, job)));
    const Preparation preparation(*job.net, job.description, job.validated);
    Answers answers = Gather(link, job, preparation);
    WriterEnd end;
    if (!answers.lost.empty()) {
        end = Ended(builder::BuildStatus::Failed, answers.lost);
        end.lostAProcess = true;
    } else if (answers.stopped) {
        end = Ended(builder::BuildStatus::Stopped, "a stop signal reached the writing process");
    } else if (!answers.refusals.empty() && preparation.Problem().empty()) {
        end = Ended(builder::BuildStatus::Refused, answers.refusals);
    } else {
        return Build(link, job, preparation, answers.team);
    }
    for (const Peer& peer : answers.team)
        if (!peer.lost) link.Send(peer.rank, Tag::Quit, {});
    return end;
}

}  // namespace cluster
