// The cluster tests' build program: `tesmar build` as one process of an MPI
// job, with faults and limits the tests need set on the process's job.
//   mpirun -np N cluster_build_driver [HOOK ...] build NETWORK.inp [build options]
// The hooks:
//   --fail-event RANK:EVENT  the process of that rank fails at every event
//                            from that one on, as a toolkit failure
//   --silence-seconds S      a process silent this long is taken as lost
//   --peers-elsewhere        the writing process takes every other process
//                            for one on another host, which it cannot look at
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "network/toolkit.h"
#include "tesmar/app.h"
#include "tesmar/cluster_build.h"
#include "tesmar/exit_codes.h"

namespace {

struct Hooks {
    int failingRank = -1;
    std::int32_t failingEvent = -1;
    double silenceSeconds = 0;
    bool peersElsewhere = false;
};

// Reads the hooks up to the word "build"; false on anything else.
bool ReadHooks(const std::vector<std::string>& args, std::size_t& next, Hooks& hooks) {
    for (next = 0; next < args.size() && args[next] != "build"; ++next) {
        const std::string& name = args[next];
        const bool valued = name == "--fail-event" || name == "--silence-seconds";
        if (valued && next + 1 == args.size()) return false;
        if (name == "--fail-event") {
            const std::string& value = args[++next];
            const std::size_t colon = value.find(':');
            if (colon == std::string::npos) return false;
            hooks.failingRank = std::stoi(value.substr(0, colon));
            hooks.failingEvent = std::stoi(value.substr(colon + 1));
        } else if (name == "--silence-seconds") {
            hooks.silenceSeconds = std::stod(args[++next]);
        } else if (name == "--peers-elsewhere") {
            hooks.peersElsewhere = true;
        } else {
            return false;
        }
    }
    return next < args.size();
}

void Apply(const Hooks& hooks, int rank, cluster::ProcessJob& job) {
    if (hooks.failingRank == rank) {
        const std::int32_t from = hooks.failingEvent;
        job.description.beforeEvent = [from, toolkit = job.toolkit](std::int32_t eventIndex) {
            if (eventIndex >= from) toolkit->Check(110, "EN_solveH");
        };
    }
    if (hooks.silenceSeconds > 0) job.silenceSeconds = hooks.silenceSeconds;
    if (hooks.peersElsewhere) job.seesPeersOnItsHost = false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    Hooks hooks;
    std::size_t build = 0;
    try {
        if (!ReadHooks(args, build, hooks)) {
            std::cerr << "cluster_build_driver: [HOOK ...] build NETWORK.inp [options]" << std::endl;
            return tesmar::kBadInput;
        }
        const tesmar::BuildRequest request =
            tesmar::ParseBuildArguments(std::vector<std::string>(args.begin() + static_cast<std::ptrdiff_t>(build) + 1, args.end()));
        return tesmar::RunClusterBuildCommand(request, network::LoadToolkit(), std::cout, std::cerr, false,
                                              [&hooks](int rank, cluster::ProcessJob& job) { Apply(hooks, rank, job); });
    } catch (const std::exception& e) {
        std::cerr << "cluster_build_driver: " << e.what() << std::endl;
        return tesmar::kRunFailed;
    }
}
