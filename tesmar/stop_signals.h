// SIGINT, SIGTERM and SIGHUP during a build act like the window's "Stop
// run": the running events finish and the files keep a whole prefix of the
// event set. A second one ends the program at once, the usual way. Under
// an MPI launcher SIGUSR1 is watched too (mpirun passes it on to every
// process, where SIGINT and SIGTERM make it end the job); it never ends
// the program by itself.
//
// The signals are blocked in the thread that makes a StopSignals (and in the
// threads it starts afterwards) and read from a signal descriptor by a
// watcher thread, so no handler and no process-wide flag is involved.
#pragma once

#include <signal.h>

#include <atomic>
#include <thread>

namespace tesmar {

class StopSignals {
public:
    // Watches SIGINT, SIGTERM and SIGHUP, and SIGUSR1 when withUsr1.
    explicit StopSignals(bool withUsr1 = false);
    // Restores the signal mask of the thread and ends the watcher.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether a stop signal came since the object was made.
    bool Received() const { return received_.load() > 0 || usr1_.load(); }
    // Whether SIGINT, SIGTERM or SIGHUP came.
    bool Interrupted() const { return received_.load() > 0; }

private:
    void Watch();

    sigset_t signals_{};
    sigset_t previousMask_{};
    int signalFd_ = -1;
    int wakeFd_ = -1;
    std::atomic<int> received_{0};  // SIGINT, SIGTERM and SIGHUP
    std::atomic<bool> usr1_{false};
    std::thread watcher_;
};

}  // namespace tesmar
