// This process of an MPI job, as the tesmar program gets it from the
// library's one exported function.
#include <memory>

#include "cluster/cluster_api.h"
#include "cluster/mpi_link.h"
#include "cluster/worker_process.h"
#include "cluster/writer_process.h"

namespace cluster {

namespace {

class MpiProcess final : public Process {
public:
    ~MpiProcess() override {
        // A process that is gone would keep MPI_Finalize waiting for ever.
        if (lost_) link_.Abort(1);
    }

    int Rank() const override { return link_.Rank(); }
    int Size() const override { return link_.Size(); }
    const std::string& Host() const override { return link_.Host(); }

    builder::BuildOutcome Build(const ProcessJob& job) override {
        try {
            if (link_.Rank() == 0) {
                WriterEnd end = RunWriterProcess(link_, job);
                lost_ = end.lostAProcess;
                return std::move(end.outcome);
            }
            WorkerEnd end = RunWorkerProcess(link_, job);
            lost_ = end.writerLost;
            return std::move(end.outcome);
        } catch (const std::exception& e) {
            // MPI failed, or a message made no sense: where the others stand is unknown.
            lost_ = true;
            builder::BuildOutcome outcome;
            outcome.status = builder::BuildStatus::Failed;
            outcome.reason = e.what();
            return outcome;
        }
    }

private:
    MpiLink link_;
    bool lost_ = false;
};

}  // namespace

}  // namespace cluster

extern "C" __attribute__((visibility("default"))) cluster::Process* tesmar_cluster_join(std::string* error) {
    try {
        return new cluster::MpiProcess();
    } catch (const std::exception& e) {
        *error = e.what();
        return nullptr;
    }
}
