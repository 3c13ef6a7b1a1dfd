#include "tool_process.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "network/program_folder.h"
#include "support/test_support.h"

extern char** environ;

namespace tesmar_testing {

namespace {

std::vector<char*> Argv(const std::vector<std::string>& args, std::string& program) {
    program = ToolPath();
    std::vector<char*> argv{program.data()};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

pid_t Spawn(const std::vector<std::string>& args, posix_spawn_file_actions_t& actions) {
    std::string program;
    std::vector<char*> argv = Argv(args, program);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program);
    return pid;
}

int ExitCode(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

std::string ToolPath() { return network::ProgramFolder() + "/tesmar"; }

ToolRun RunTool(const std::vector<std::string>& args, const std::string& cwd) {
    ToolOptions options;
    options.cwd = cwd;
    return RunTool(args, options);
}

ToolRun RunTool(const std::vector<std::string>& args, const ToolOptions& options) {
    testing_support::ScratchFolder streams;
    ::chmod(streams.path().c_str(), 0777);
    const std::string out = streams.File("out"), err = streams.File("err");
    std::string program;
    std::vector<char*> argv = Argv(args, program);
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) environment.emplace_back(*entry);
    environment.insert(environment.end(), options.environment.begin(), options.environment.end());
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        dup2(o, STDOUT_FILENO);
        dup2(e, STDERR_FILENO);
        if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
        if (options.dataLimitBytes > 0) {
            rlimit limit{options.dataLimitBytes, options.dataLimitBytes};
            setrlimit(RLIMIT_DATA, &limit);
        }
        if (options.asNobody && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
        if (options.hangSeconds > 0) alarm(options.hangSeconds);  // the timer survives execve
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0) {
    }
    ToolRun run;
    run.peakKiB = usage.ru_maxrss;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    run.out = testing_support::ReadText(out);
    run.err = testing_support::ReadText(err);
    return run;
}

RunningTool::RunningTool(const std::vector<std::string>& args, const std::string& outputFile) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("cannot create a pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = outputFile.empty() ? "/dev/null" : outputFile;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    pid_ = Spawn(args, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    errFd_ = fds[0];
}

RunningTool::~RunningTool() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        ExitCode(pid_);
    }
    if (errFd_ >= 0) close(errFd_);
}

bool RunningTool::ReadErrorLine(std::string& line) {
    for (;;) {
        if (auto end = pending_.find('\n'); end != std::string::npos) {
            line = pending_.substr(0, end);
            errText_ += pending_.substr(0, end + 1);
            pending_.erase(0, end + 1);
            return true;
        }
        char buffer[4096];
        const ssize_t n = read(errFd_, buffer, sizeof buffer);
        if (n <= 0) return false;
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

void RunningTool::Signal(int signal) { kill(pid_, signal); }

ToolRun RunningTool::Wait() {
    std::string line;
    while (ReadErrorLine(line)) {
    }
    ToolRun run;
    run.err = errText_ + pending_;
    run.exitCode = ExitCode(pid_);
    pid_ = -1;
    return run;
}

}  // namespace tesmar_testing
