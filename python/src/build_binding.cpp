#include <sstream>

#include <nanobind/stl/string.h>
#include <nanobind/stl/vector.h>

#include "bindings.h"
#include "builder/build.h"
#include "command_error.h"
#include "python_calls.h"
#include "session.h"
#include "tesmar/app.h"
#include "tesmar/build_steps.h"

namespace nb = nanobind;

namespace tesmar::python {

namespace {

// How a build ended, with the lines `tesmar build` prints about it.
struct BuildResult {
    std::string status;  // "completed", "stopped" or "failed"
    std::int32_t eventsPlanned = 0, eventsWritten = 0;
    std::vector<std::string> files;
    std::string reason;
    std::uint64_t seed = 0;
    std::vector<int> warnings;
    std::string message;
    int exitCode = 0;
};

const char* StatusName(builder::BuildStatus status) {
    switch (status) {
        case builder::BuildStatus::Completed: return "completed";
        case builder::BuildStatus::Stopped: return "stopped";
        case builder::BuildStatus::Failed: return "failed";
        case builder::BuildStatus::Refused: return "refused";
    }
    return "failed";
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

BuildResult RunBuild(const BuildRequest& request, PythonCalls& calls) {
    const PreparedBuild prepared = PrepareBuild(request, request.NetworkFile, ModuleToolkit());
    std::ostringstream out, err;
    const builder::BuildDescription description = DescribeBuild(request, err, false);
    ProgressReporter reporter(err, false);
    builder::BuildHost host;
    host.progress = [&calls](const builder::BuildProgress& p) {
        calls.Call(p.done, p.total, p.eventsPerSecond, p.remainingSeconds);
    };
    host.stopRequested = [&calls] { return calls.StopRequested(); };
    const builder::BuildOutcome outcome = builder::RunBuild(prepared.net, description, prepared.validated, host);
    std::ostringstream message;
    BuildResult result;
    result.exitCode = ReportOutcome(request, outcome, reporter, out, message);
    result.status = StatusName(outcome.status);
    result.eventsPlanned = outcome.eventsPlanned;
    result.eventsWritten = outcome.eventsWritten;
    result.files = outcome.files;
    result.reason = outcome.reason;
    result.seed = description.seed;
    result.warnings = outcome.warnings;
    result.message = Trimmed(message.str());
    if (outcome.status == builder::BuildStatus::Refused) throw CommandError(result.message, true);
    return result;
}

BuildResult Build(const std::string& path, std::vector<std::string> arguments, nb::object progress) {
    arguments.push_back("--");
    arguments.push_back(path);
    const BuildRequest request = Guarded("tesmar build", [&] { return ParseBuildArguments(arguments); });
    PythonCalls calls(std::move(progress));
    BuildResult result;
    {
        nb::gil_scoped_release released;
        result = Guarded("tesmar build", [&] { return RunBuild(request, calls); });
    }
    calls.RaiseIfAny();
    return result;
}

}  // namespace

void DefineBuild(nb::module_& m) {
    nb::class_<BuildResult>(m, "BuildOutcome", "How a build ended.")
        .def_ro("status", &BuildResult::status, "'completed', 'stopped' or 'failed'.")
        .def_ro("events_planned", &BuildResult::eventsPlanned)
        .def_ro("events_written", &BuildResult::eventsWritten,
                "The matrix files hold whole records of events 1 to events_written.")
        .def_ro("files", &BuildResult::files, "The matrix files written.")
        .def_ro("reason", &BuildResult::reason, "Why the build failed or stopped, when it says.")
        .def_ro("seed", &BuildResult::seed, "The seed of the event set: the same seed gives the same files.")
        .def_ro("warnings", &BuildResult::warnings, "Toolkit warnings accepted for the build (codes).")
        .def_ro("message", &BuildResult::message, "The lines `tesmar build` prints about how it ended.")
        .def_ro("exit_code", &BuildResult::exitCode, "The exit code `tesmar build` would end with.")
        .def("__repr__", [](const BuildResult& r) {
            return "BuildOutcome(status='" + r.status + "', events_written=" + std::to_string(r.eventsWritten) +
                   ", events_planned=" + std::to_string(r.eventsPlanned) + ", seed=" + std::to_string(r.seed) + ")";
        });
    m.def("build", &Build, nb::arg("network_path"), nb::arg("arguments"), nb::arg("progress") = nb::none(),
          "Runs `tesmar build` on the network with the command line's arguments (options first), without "
          "the interpreter; progress(done, total, events_per_second, remaining_seconds) is called after each "
          "event and False from it stops the build. Ctrl-C stops it after the running events and is raised "
          "once the files hold whole records.");
}

}  // namespace tesmar::python
