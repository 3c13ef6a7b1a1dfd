#include "cluster/mpi_link.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace cluster {

namespace {

void Check(int code, const char* call) {
    if (code == MPI_SUCCESS) return;
    char text[MPI_MAX_ERROR_STRING] = {};
    int length = 0;
    MPI_Error_string(code, text, &length);
    throw LinkError(std::string(call) + " failed: " + std::string(text, static_cast<std::size_t>(length)));
}

}  // namespace

MpiLink::MpiLink() {
    int provided = MPI_THREAD_SINGLE;
    Check(MPI_Init_thread(nullptr, nullptr, MPI_THREAD_FUNNELED, &provided), "MPI_Init_thread");
    // A failed call reports back instead of ending the process, so that the
    // writing process can still close its files.
    MPI_Comm_set_errhandler(MPI_COMM_WORLD, MPI_ERRORS_RETURN);
    if (provided < MPI_THREAD_FUNNELED) {
        MPI_Finalize();
        throw LinkError("the MPI library does not allow threads beside the one that calls it");
    }
    MPI_Comm_rank(MPI_COMM_WORLD, &rank_);
    MPI_Comm_size(MPI_COMM_WORLD, &size_);
    char name[MPI_MAX_PROCESSOR_NAME] = {};
    int length = 0;
    MPI_Get_processor_name(name, &length);
    host_.assign(name, static_cast<std::size_t>(length));
}

MpiLink::~MpiLink() {
    if (finalize_) MPI_Finalize();
}

void MpiLink::Send(int to, Tag tag, std::vector<char> bytes) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw LinkError("a message is larger than MPI can send");
    MPI_Request request = MPI_REQUEST_NULL;
    Check(MPI_Isend(bytes.data(), static_cast<int>(bytes.size()), MPI_BYTE, to, static_cast<int>(tag),
                    MPI_COMM_WORLD, &request),
          "MPI_Isend");
    outgoing_.push_back(std::move(bytes));  // the bytes stay where they are
    requests_.push_back(request);
}

bool MpiLink::SendsDone() {
    if (requests_.empty()) return true;
    doneIndexes_.resize(requests_.size());
    int done = 0;
    Check(MPI_Testsome(static_cast<int>(requests_.size()), requests_.data(), &done, doneIndexes_.data(),
                       MPI_STATUSES_IGNORE),
          "MPI_Testsome");
    if (done > 0 && done != MPI_UNDEFINED) {
        // Completed requests are MPI_REQUEST_NULL now; keep the others in order.
        std::size_t kept = 0;
        for (std::size_t i = 0; i < requests_.size(); ++i) {
            if (requests_[i] == MPI_REQUEST_NULL) continue;
            if (kept != i) {  // a vector moved onto itself would lose its bytes
                requests_[kept] = requests_[i];
                outgoing_[kept] = std::move(outgoing_[i]);
            }
            ++kept;
        }
        requests_.resize(kept);
        outgoing_.resize(kept);
    }
    return requests_.empty();
}

bool MpiLink::Poll(Message& message) {
    MatchNext();
    return TakeArrived(message);
}

// Starts receiving the next message that announced itself, if any.
void MpiLink::MatchNext() {
    int announced = 0;
    MPI_Message handle = MPI_MESSAGE_NULL;
    MPI_Status status;
    Check(MPI_Improbe(MPI_ANY_SOURCE, MPI_ANY_TAG, MPI_COMM_WORLD, &announced, &handle, &status), "MPI_Improbe");
    if (!announced) return;
    int count = 0;
    Check(MPI_Get_count(&status, MPI_BYTE, &count), "MPI_Get_count");
    Arriving& next = arriving_.emplace_back();
    next.message.source = status.MPI_SOURCE;
    next.message.tag = static_cast<Tag>(status.MPI_TAG);
    next.message.size = static_cast<std::size_t>(count);
    if (!spareBuffers_.empty()) {
        next.message.buffer = std::move(spareBuffers_.back());
        spareBuffers_.pop_back();
    }
    if (next.message.buffer.size() < next.message.size) next.message.buffer.resize(next.message.size);
    Check(MPI_Imrecv(next.message.buffer.data(), count, MPI_BYTE, &handle, &next.request), "MPI_Imrecv");
}

// The first message that is whole and has no earlier message of its
// process still arriving before it.
bool MpiLink::TakeArrived(Message& message) {
    waitingSources_.clear();
    for (auto it = arriving_.begin(); it != arriving_.end(); ++it) {
        if (std::find(waitingSources_.begin(), waitingSources_.end(), it->message.source) != waitingSources_.end())
            continue;
        int whole = 0;
        Check(MPI_Test(&it->request, &whole, MPI_STATUS_IGNORE), "MPI_Test");
        if (!whole) {
            waitingSources_.push_back(it->message.source);
            continue;
        }
        std::swap(message, it->message);
        spareBuffers_.push_back(std::move(it->message.buffer));
        arriving_.erase(it);
        return true;
    }
    return false;
}

void MpiLink::Abort(int exitCode) {
    MPI_Abort(MPI_COMM_WORLD, exitCode);
    std::_Exit(exitCode);
}

}  // namespace cluster
