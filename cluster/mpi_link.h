// The MPI world of a build seen as messages: non-blocking sends whose
// buffers are kept until MPI is done with them, and a poll for the next
// message from anyone. Only the thread that made the link calls MPI.
#pragma once

#include <mpi.h>

#include <cstdint>
#include <deque>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "cluster/messages.h"

namespace cluster {

// An MPI call that failed.
class LinkError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Message {
    int source = -1;
    Tag tag = Tag::Alive;
    // The bytes are the first `size` of the buffer, which only grows, so a
    // large message is not cleared before every receive.
    std::vector<char> buffer;
    std::size_t size = 0;

    std::span<const char> Bytes() const { return {buffer.data(), size}; }
};

class MpiLink {
public:
    // Initialises MPI for a process whose other threads never call it.
    // Throws LinkError.
    MpiLink();
    // Finalizes MPI, unless the job was aborted.
    ~MpiLink();
    MpiLink(const MpiLink&) = delete;
    MpiLink& operator=(const MpiLink&) = delete;

    int Rank() const { return rank_; }
    int Size() const { return size_; }
    const std::string& Host() const { return host_; }

    // Sends without waiting; the bytes are kept until they are gone.
    void Send(int to, Tag tag, std::vector<char> bytes);
    // Lets sends in progress go on and forgets those done; true when none is left.
    bool SendsDone();
    // Takes the next message that has arrived whole, if any, in the order
    // each process sent them. Never waits for a message's bytes: those of a
    // process that died while sending never come, and the process that
    // waits for them must still notice the job ending.
    bool Poll(Message& message);
    // Ends every process of the job at once, with the exit code.
    [[noreturn]] void Abort(int exitCode);
    // Finalizes MPI when this process goes: false to end it without (a peer
    // is gone, so finalizing could wait for ever).
    void FinalizeAtEnd(bool finalize) { finalize_ = finalize; }

private:
    int rank_ = 0, size_ = 1;
    std::string host_;
    bool finalize_ = true;
    // The messages on their way and their requests, side by side.
    std::vector<std::vector<char>> outgoing_;
    std::vector<MPI_Request> requests_;
    std::vector<int> doneIndexes_;
    // Messages matched and still arriving, in the order they were matched.
    struct Arriving {
        Message message;
        MPI_Request request = MPI_REQUEST_NULL;
    };
    std::deque<Arriving> arriving_;
    std::vector<int> waitingSources_;
    std::vector<std::vector<char>> spareBuffers_;  // taken buffers, so a message seldom allocates

    void MatchNext();
    bool TakeArrived(Message& message);
};

}  // namespace cluster
