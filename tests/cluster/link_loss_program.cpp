// Run by mpirun with two processes. Process 1 sends a word, a message too
// large to travel in one piece, and another word, then dies at once, so
// the large message's bytes can never be read. Process 0 must still come
// back from every poll, take the first word only (the last one comes
// after the message that never arrives) and say so before mpirun ends it.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include "cluster/mpi_link.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char> Word(const std::string& text) { return {text.begin(), text.end()}; }

// A process that exited is gone or a zombie until its parent reaps it.
bool Ended(const std::string& pid) {
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string field;
    for (int i = 0; i < 3 && stat >> field; ++i) {
    }
    return !stat || field == "Z" || field == "X";
}

int Sender(cluster::MpiLink& link) {
    link.Send(0, cluster::Tag::Alive, Word(std::to_string(::getpid())));
    link.Send(0, cluster::Tag::Alive, std::vector<char>(4 << 20, 'x'));
    link.Send(0, cluster::Tag::Alive, Word("after"));
    for (int i = 0; i < 100; ++i) link.SendsDone();
    ::raise(SIGKILL);
    return 1;
}

int Receiver(cluster::MpiLink& link) {
    cluster::Message message;
    const Clock::time_point guard = Clock::now() + std::chrono::seconds(20);
    while (!link.Poll(message) && Clock::now() < guard) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::string pid(message.Bytes().begin(), message.Bytes().end());
    while (!pid.empty() && !Ended(pid) && Clock::now() < guard)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    int taken = 0;
    for (const Clock::time_point until = Clock::now() + std::chrono::milliseconds(300); Clock::now() < until;)
        taken += link.Poll(message) ? 1 : 0;
    std::fprintf(stderr, "process 0 went on after process %s ended and took %d more messages\n", pid.c_str(), taken);
    std::fflush(stderr);
    link.FinalizeAtEnd(false);
    std::_Exit(0);
}

}  // namespace

int main() {
    // mpirun's word that process 1 died must not end process 0 before it
    // reports: blocked before MPI starts, so that MPI's own threads block it too.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);
    cluster::MpiLink link;
    return link.Rank() == 1 ? Sender(link) : Receiver(link);
}
