// Runs `mpirun ... tesmar build ...` as a child process from a test, as a
// user would, reading its error stream while it runs. Every wait has a
// deadline, so a job that hangs fails the test instead of stopping it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace cluster_testing {

// The mpirun on the PATH; nothing when MPI is not installed.
std::optional<std::string> FindMpirun();

// mpirun's own options for a job of `processes` tesmar processes on this
// host (as root too), the launcher options given, then tesmar and its
// arguments.
std::vector<std::string> MpirunArguments(int processes, const std::vector<std::string>& launcherOptions,
                                         const std::vector<std::string>& tesmarArgs);

// The same job run by the tests' build program (cluster_build_driver.cpp)
// instead of tesmar: `hooks` set faults on the processes' jobs
// (--fail-event RANK:EVENT, --silence-seconds S, --peers-elsewhere), then
// come the arguments of `tesmar build`, "build" first.
std::vector<std::string> DriverArguments(int processes, const std::vector<std::string>& launcherOptions,
                                         const std::vector<std::string>& hooks,
                                         const std::vector<std::string>& buildArgs);

// A job of `processes` processes of one of the tests' programs in bin/.
std::vector<std::string> ProgramArguments(int processes, const std::vector<std::string>& launcherOptions,
                                          const std::string& program);

struct JobEnd {
    bool ended = false;  // false: still running at the deadline, then killed
    int exitCode = -1;   // exit status, or 128 + signal
    std::string err;
};

class MpiJob {
public:
    MpiJob(const std::string& mpirun, const std::vector<std::string>& arguments);
    ~MpiJob();
    MpiJob(const MpiJob&) = delete;
    MpiJob& operator=(const MpiJob&) = delete;

    // Reads the error stream until a line holds text; false at its end or the deadline.
    bool WaitForLine(const std::string& text, std::chrono::seconds deadline);
    // Signals mpirun.
    void Signal(int signal);
    // The process id of the tesmar process of a rank, started by mpirun.
    pid_t RankProcess(int rank) const;
    // Reads the rest of the error stream and waits for the end, killing
    // mpirun and its processes at the deadline.
    JobEnd Wait(std::chrono::seconds deadline);

private:
    bool ReadSome(std::chrono::steady_clock::time_point until);
    void KillAll();

    pid_t pid_ = -1;
    int errFd_ = -1;
    std::string err_;
    std::size_t scanned_ = 0;
};

// Runs a job to its end (deadline, against a hang only: five minutes).
JobEnd RunJob(const std::string& mpirun, const std::vector<std::string>& arguments);

}  // namespace cluster_testing
