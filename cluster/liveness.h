// When the processes of a build last heard from each other. A process
// that has said nothing else for a while says Alive; one silent for the
// silence limit is taken as lost, so nobody waits for ever on a process
// that died without a word.
#pragma once

#include <chrono>
#include <vector>

namespace cluster {

struct Timing {
    std::chrono::milliseconds aliveEvery{1000};
    std::chrono::milliseconds silenceLimit{30000};
    // How long the writing process waits for the others to answer when the
    // job ends at once.
    std::chrono::milliseconds answerWait{400};
};

struct ProcessJob;
Timing TimingOf(const ProcessJob& job);

class Liveness {
public:
    using Clock = std::chrono::steady_clock;

    // Every rank counts as just heard from.
    Liveness(int ranks, const Timing& timing);

    void Heard(int rank) { heard_[static_cast<std::size_t>(rank)] = Clock::now(); }
    void Sent(int rank) { sent_[static_cast<std::size_t>(rank)] = Clock::now(); }
    // Whether this process should tell the rank it is alive.
    bool AliveDue(int rank) const { return Clock::now() - sent_[static_cast<std::size_t>(rank)] >= timing_.aliveEvery; }
    bool Silent(int rank) const { return Clock::now() - heard_[static_cast<std::size_t>(rank)] >= timing_.silenceLimit; }
    double SilenceLimitSeconds() const { return std::chrono::duration<double>(timing_.silenceLimit).count(); }

private:
    Timing timing_;
    std::vector<Clock::time_point> heard_, sent_;
};

}  // namespace cluster
