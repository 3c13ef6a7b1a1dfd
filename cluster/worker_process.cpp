#include "cluster/worker_process.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

#include "builder/event_pool.h"
#include "cluster/idle_pace.h"
#include "cluster/liveness.h"
#include "cluster/preparation.h"
#include "cluster/record_box.h"
#include "cluster/task_queue.h"

namespace cluster {

namespace {

using Clock = std::chrono::steady_clock;

// Records are sent when this many bytes are kept or the oldest waited this long.
constexpr std::size_t kBatchBytes = 8u << 20;
constexpr auto kBatchWait = std::chrono::milliseconds(100);
// A request asks for about this much work for every worker thread.
constexpr double kRequestSeconds = 0.5;
constexpr int kMostEventsPerWorker = 64;
// Sends still on their way get this long before MPI is finalized.
constexpr auto kSendsGrace = std::chrono::seconds(2);

class WorkerProcess {
public:
    WorkerProcess(MpiLink& link, const ProcessJob& job)
        : link_(link), job_(job), live_(1, TimingOf(job)), workers_(builder::WorkerCount(job.description)) {}

    WorkerEnd Run();

private:
    bool AwaitSetup(Setup& setup);
    builder::BuildOutcome Join(const Setup& setup);
    void Work();
    void Send(Tag tag, std::vector<char> bytes = {}) {
        link_.Send(0, tag, std::move(bytes));
        live_.Sent(0);
    }
    bool Serve();
    void StartWorkers();
    void ReportFailures();
    void CheckStop();
    void SendRecords();
    void AskForEvents();
    void SayDoneWhenDone();
    void Finish();
    std::int32_t Wanted() const;
    void WaitForSends();

    MpiLink& link_;
    const ProcessJob& job_;
    Liveness live_;  // of the writing process only
    const int workers_;
    Message message_;
    builder::BuildDescription description_;  // as the writing process sent it
    std::unique_ptr<Preparation> preparation_;
    std::unique_ptr<builder::WorkerSetup> setup_;
    TaskQueue queue_;
    RecordBox box_;
    std::unique_ptr<builder::EventPool> pool_;  // goes first, before what it uses
    std::vector<builder::EventTask> tasks_;
    std::int32_t lastBatch_ = 0;
    Clock::time_point workStarted_{};
    bool asked_ = false, noMore_ = false, finishing_ = false, quit_ = false, saidDone_ = false;
    bool writerLost_ = false;
    StopRequest stopTold_ = StopRequest::None;
};

bool WorkerProcess::AwaitSetup(Setup& setup) {
    for (;;) {
        while (link_.Poll(message_)) {
            if (message_.source != 0) continue;
            live_.Heard(0);
            if (message_.tag == Tag::Quit) return false;
            if (message_.tag != Tag::Setup) continue;
            setup = DecodeSetup(message_.Bytes());
            return !setup.refused;
        }
        if (job_.stop && job_.stop() == StopRequest::Now) {
            Send(Tag::StopAsked, EncodeNumber(static_cast<std::int32_t>(StopRequest::Now)));
            return false;
        }
        if (live_.Silent(0)) {
            writerLost_ = true;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool WorkerProcess::Serve() {
    bool any = false;
    while (link_.Poll(message_)) {
        any = true;
        if (message_.source != 0) continue;
        live_.Heard(0);
        switch (message_.tag) {
            case Tag::Events:
                DecodeEvents(message_.Bytes(), *job_.net, tasks_);
                asked_ = false;
                lastBatch_ = static_cast<std::int32_t>(tasks_.size());
                if (tasks_.empty()) {
                    noMore_ = true;
                    queue_.NoMore();
                } else {
                    queue_.Add(tasks_);
                }
                break;
            case Tag::Finish: Finish(); break;
            case Tag::RollCall: Send(Tag::Here); break;
            case Tag::Quit: quit_ = true; return true;
            default: break;  // Alive: being heard is all
        }
    }
    link_.SendsDone();
    return any;
}

void WorkerProcess::StartWorkers() {
    if (!preparation_->Problem().empty()) {
        Send(Tag::Failed, EncodeFailure(0, "its baseline failed: " + preparation_->Problem()));
        Finish();
        return;
    }
    const network::Network& net = *job_.net;
    setup_ = std::make_unique<builder::WorkerSetup>(builder::WorkerSetup{
        net, description_.parameters, preparation_->Baseline(),
        builder::MakeEventSettings(net, description_.parameters, preparation_->Flow()), job_.description.beforeEvent,
        description_.acceptWarnings, preparation_->Transport()});
    workStarted_ = Clock::now();
    pool_ = std::make_unique<builder::EventPool>(*setup_, workers_, queue_, box_);
}

void WorkerProcess::ReportFailures() {
    for (const Failure& failure : box_.TakeFailures()) {
        Send(Tag::Failed, EncodeFailure(failure.eventIndex, failure.what));
        Finish();
    }
}

void WorkerProcess::CheckStop() {
    // SIGTERM after SIGUSR1 is told too: the writing process counts on it.
    const StopRequest request = job_.stop ? job_.stop() : StopRequest::None;
    if (request <= stopTold_) return;
    stopTold_ = request;
    Send(Tag::StopAsked, EncodeNumber(static_cast<std::int32_t>(request)));
    if (request == StopRequest::Now && pool_) pool_->Abandon();
    if (request == StopRequest::Now) Finish();
}

void WorkerProcess::SendRecords() {
    if (box_.ReadyCount() == 0) return;
    const bool due = finishing_ || noMore_ || box_.ReadyBytes() >= kBatchBytes || box_.OldestWait() >= kBatchWait;
    if (!due) return;
    std::vector<char> bytes;
    box_.Pack(bytes);
    Send(Tag::Records, std::move(bytes));
}

// Asks for more once half the last batch is left (and at least a round for
// every worker), so the next batch arrives before the queue runs dry.
void WorkerProcess::AskForEvents() {
    if (!pool_ || asked_ || noMore_ || finishing_) return;
    if (queue_.Waiting() >= std::max(workers_, lastBatch_ / 2)) return;
    Send(Tag::Request, EncodeNumber(Wanted()));
    asked_ = true;
}

// About half a second of work per worker, from the pace so far.
std::int32_t WorkerProcess::Wanted() const {
    const std::int64_t delivered = box_.Delivered();
    const double elapsed = std::chrono::duration<double>(Clock::now() - workStarted_).count();
    int perWorker = 1;
    if (delivered > 0 && elapsed > 0) {
        const double eventSeconds = elapsed * workers_ / static_cast<double>(delivered);
        perWorker = std::clamp(static_cast<int>(std::lround(kRequestSeconds / eventSeconds)), 1, kMostEventsPerWorker);
    }
    return workers_ * perWorker;
}

void WorkerProcess::SayDoneWhenDone() {
    if (saidDone_ || !(noMore_ || finishing_)) return;
    if ((pool_ && !pool_->Ended()) || box_.ReadyCount() > 0) return;
    ReportFailures();
    SendRecords();
    Send(Tag::Done);
    saidDone_ = true;
}

// No more events: those not started are dropped, those running finish.
void WorkerProcess::Finish() {
    finishing_ = true;
    queue_.Close();
}

void WorkerProcess::WaitForSends() {
    const auto until = Clock::now() + kSendsGrace;
    while (!link_.SendsDone() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Answers the set-up: Ready, and the baseline started, or Refused.
builder::BuildOutcome WorkerProcess::Join(const Setup& setup) {
    builder::BuildOutcome outcome;
    const std::string mismatch =
        SetupMismatch(setup, job_, link_.Rank(), link_.Host(), job_.toolkit->Version());
    if (!mismatch.empty()) {
        Send(Tag::Refused, EncodeText(mismatch));
        finishing_ = true;
        outcome.status = builder::BuildStatus::Refused;
        outcome.reason = mismatch;
        return outcome;
    }
    description_.parameters = setup.parameters;
    description_.acceptWarnings = setup.acceptWarnings;
    description_.engine = setup.ownEngine ? builder::TransportEngine::Own : builder::TransportEngine::Toolkit;
    Send(Tag::Ready, EncodeReady(Ready{link_.Host(), workers_, static_cast<std::int32_t>(::getpid())}));
    preparation_ = std::make_unique<Preparation>(*job_.net, description_);
    outcome.status = builder::BuildStatus::Completed;
    return outcome;
}

// Serves the writing process until it says Quit or falls silent.
void WorkerProcess::Work() {
    IdlePace pace;
    while (!quit_) {
        const bool busy = Serve();
        if (quit_) break;
        if (!pool_ && !finishing_ && preparation_ && preparation_->Finished()) StartWorkers();
        ReportFailures();
        CheckStop();
        SendRecords();
        AskForEvents();
        SayDoneWhenDone();
        if (live_.Silent(0)) {
            writerLost_ = true;
            return;
        }
        if (live_.AliveDue(0)) Send(Tag::Alive);
        const auto wait = std::min<Clock::duration>(pace.After(busy), box_.NextDue(kBatchWait));
        if (!busy) box_.Wait(std::chrono::duration_cast<std::chrono::microseconds>(wait));
    }
}

WorkerEnd WorkerProcess::Run() {
    WorkerEnd end;
    end.outcome.status = builder::BuildStatus::Completed;  // also when the writing process refused
    Setup setup;
    if (AwaitSetup(setup)) {
        end.outcome = Join(setup);
        Work();
        pool_.reset();
    }
    end.writerLost = writerLost_;
    if (writerLost_) {
        end.outcome.status = builder::BuildStatus::Failed;
        end.outcome.reason = "the writing process has sent nothing for " +
                             std::to_string(static_cast<long>(live_.SilenceLimitSeconds())) + " s";
    } else {
        WaitForSends();
    }
    return end;
}

}  // namespace

std::string SetupMismatch(const Setup& setup, const ProcessJob& job, int rank, const std::string& host,
                          int toolkitVersion) {
    const std::string here = "process " + std::to_string(rank) + " on host " + host;
    const std::string there = "the writing process on host " + setup.host;
    if (!job.net) return here + " cannot build: " + job.problem;
    if (job.description.program != setup.program)
        return here + " runs " + job.description.program + ", " + there + " runs " + setup.program;
    if (toolkitVersion != setup.toolkitVersion)
        return here + " has toolkit version " + std::to_string(toolkitVersion) + ", " + there + " has " +
               std::to_string(setup.toolkitVersion);
    const std::uint64_t bytes = job.net->file ? job.net->file->Bytes() : 0;
    const std::string sha = job.net->file ? job.net->file->Sha256() : "";
    if (bytes != setup.networkBytes || sha != setup.networkSha256)
        return here + " reads a different network file " + job.net->path + " (" + std::to_string(bytes) +
               " bytes, SHA-256 " + sha + ") from " + there + " (" + std::to_string(setup.networkBytes) +
               " bytes, SHA-256 " + setup.networkSha256 + ")";
    return "";
}

WorkerEnd RunWorkerProcess(MpiLink& link, const ProcessJob& job) {
    WorkerProcess process(link, job);
    return process.Run();
}

}  // namespace cluster
