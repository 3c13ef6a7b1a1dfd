// Runs the tesmar program as a child process, as a user or a script would.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tesmar_testing {

// The program under test, beside the test program.
std::string ToolPath();

struct ToolRun {
    int exitCode = -1;  // the exit status, or 128 + signal when a signal ended it
    std::string out, err;
    long peakKiB = 0;  // peak resident memory (runs through RunTool)
};

// Runs tesmar with the arguments in the folder cwd ("" for the current one)
// and waits for it.
ToolRun RunTool(const std::vector<std::string>& args, const std::string& cwd = "");

// How else a run may start.
struct ToolOptions {
    std::string cwd;
    bool asNobody = false;           // drops root's rights (uid and gid 65534) first
    std::size_t dataLimitBytes = 0;  // RLIMIT_DATA, 0: none
    std::vector<std::string> environment;  // extra NAME=value entries
    unsigned hangSeconds = 0;  // a run still going after so long ends by SIGALRM (exit 142), 0: never
};

ToolRun RunTool(const std::vector<std::string>& args, const ToolOptions& options);


// A tesmar run whose error stream is read line by line while it runs.
class RunningTool {
public:
    // The output stream goes to outputFile, or nowhere when it is "".
    explicit RunningTool(const std::vector<std::string>& args, const std::string& outputFile = "");
    ~RunningTool();
    RunningTool(const RunningTool&) = delete;
    RunningTool& operator=(const RunningTool&) = delete;

    // The next line of the error stream; false at its end.
    bool ReadErrorLine(std::string& line);
    void Signal(int signal);
    pid_t Pid() const { return pid_; }
    // Reads what is left of the error stream and waits for the exit.
    ToolRun Wait();

private:
    pid_t pid_ = -1;
    int errFd_ = -1;
    std::string pending_, errText_;
};

}  // namespace tesmar_testing
