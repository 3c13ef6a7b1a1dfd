#include "mpi_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "network/program_folder.h"
#include "tool_process.h"

extern char** environ;

namespace cluster_testing {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The parent of a process, from /proc.
pid_t ParentOf(pid_t pid) {
    const std::string stat = FileText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t end = stat.rfind(')');
    if (end == std::string::npos) return -1;
    std::istringstream fields(stat.substr(end + 2));
    char state = 0;
    pid_t parent = -1;
    fields >> state >> parent;
    return parent;
}

std::vector<pid_t> Descendants(pid_t root) {
    std::vector<pid_t> found{root};
    for (std::size_t i = 0; i < found.size(); ++i)
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const pid_t pid = std::stoi(name);
            if (ParentOf(pid) == found[i]) found.push_back(pid);
        }
    found.erase(found.begin());
    return found;
}

int ExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

std::optional<std::string> FindMpirun() {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = folder + "/mpirun";
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return std::nullopt;
}

namespace {

std::vector<std::string> JobArguments(int processes, const std::vector<std::string>& launcherOptions,
                                      const std::string& program, const std::vector<std::string>& programArgs) {
    std::vector<std::string> arguments{"--allow-run-as-root", "--oversubscribe", "-np", std::to_string(processes)};
#if defined(__SANITIZE_ADDRESS__)
    // Open MPI ends a job with allocations of its own still held, in plug-ins
    // it has unloaded by then, so no suppression can name them: the
    // processes keep every other check of the sanitizers.
    const char* sanitizer = std::getenv("ASAN_OPTIONS");
    arguments.insert(arguments.end(),
                     {"-x", std::string("ASAN_OPTIONS=") + (sanitizer ? sanitizer : "") + ":detect_leaks=0"});
#endif
    arguments.insert(arguments.end(), launcherOptions.begin(), launcherOptions.end());
    arguments.push_back(program);
    arguments.insert(arguments.end(), programArgs.begin(), programArgs.end());
    return arguments;
}

}  // namespace

std::vector<std::string> MpirunArguments(int processes, const std::vector<std::string>& launcherOptions,
                                         const std::vector<std::string>& tesmarArgs) {
    return JobArguments(processes, launcherOptions, tesmar_testing::ToolPath(), tesmarArgs);
}

std::vector<std::string> ProgramArguments(int processes, const std::vector<std::string>& launcherOptions,
                                          const std::string& program) {
    return JobArguments(processes, launcherOptions, network::ProgramFolder() + "/" + program, {});
}

std::vector<std::string> DriverArguments(int processes, const std::vector<std::string>& launcherOptions,
                                         const std::vector<std::string>& hooks,
                                         const std::vector<std::string>& buildArgs) {
    std::vector<std::string> args = hooks;
    args.insert(args.end(), buildArgs.begin(), buildArgs.end());
    return JobArguments(processes, launcherOptions, network::ProgramFolder() + "/cluster_build_driver", args);
}

MpiJob::MpiJob(const std::string& mpirun, const std::vector<std::string>& arguments) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(mpirun.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int spawned = posix_spawn(&pid_, mpirun.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    errFd_ = fds[0];
    if (spawned != 0) throw std::runtime_error("cannot start " + mpirun);
}

MpiJob::~MpiJob() {
    if (pid_ > 0) {
        KillAll();
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (errFd_ >= 0) ::close(errFd_);
}

void MpiJob::KillAll() {
    for (pid_t pid : Descendants(pid_)) ::kill(pid, SIGKILL);
    ::kill(pid_, SIGKILL);
}

bool MpiJob::ReadSome(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return false;
    pollfd fd{errFd_, POLLIN, 0};
    if (::poll(&fd, 1, static_cast<int>(left)) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(errFd_, buffer, sizeof buffer);
    if (n <= 0) return false;
    err_.append(buffer, static_cast<std::size_t>(n));
    return true;
}

bool MpiJob::WaitForLine(const std::string& text, std::chrono::seconds deadline) {
    const auto until = Clock::now() + deadline;
    for (;;) {
        const std::size_t found = err_.find(text, scanned_);
        if (found != std::string::npos) {
            scanned_ = found + text.size();
            return true;
        }
        if (!ReadSome(until)) return false;
    }
}

void MpiJob::Signal(int signal) { ::kill(pid_, signal); }

pid_t MpiJob::RankProcess(int rank) const {
    const std::string wanted = "OMPI_COMM_WORLD_RANK=" + std::to_string(rank);
    for (pid_t pid : Descendants(pid_)) {
        const std::string environment = FileText("/proc/" + std::to_string(pid) + "/environ");
        std::istringstream entries(environment);
        for (std::string entry; std::getline(entries, entry, '\0');)
            if (entry == wanted) return pid;
    }
    return -1;
}

JobEnd MpiJob::Wait(std::chrono::seconds deadline) {
    const auto until = Clock::now() + deadline;
    while (ReadSome(until)) {
    }
    JobEnd end;
    int status = 0;
    while (Clock::now() < until) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            end.ended = true;
            end.exitCode = ExitCode(status);
            break;
        }
        ::usleep(10000);
    }
    if (!end.ended) {
        KillAll();
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    end.err = err_;
    return end;
}

JobEnd RunJob(const std::string& mpirun, const std::vector<std::string>& arguments) {
    MpiJob job(mpirun, arguments);
    return job.Wait(std::chrono::seconds(300));
}

}  // namespace cluster_testing
